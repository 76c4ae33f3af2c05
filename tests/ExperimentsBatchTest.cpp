// coevolife-batch's experiment outputs, through the executable: the CSV
// against the printed progress lines, the plot and the exported patterns,
// an interrupted run, outputs refused before the first generation, and runs
// resumed from checkpoints against runs never interrupted.
#include "RecordsTestSupport.h"
#include "cli/ExitCodes.h"
#include "output/PartialFile.h"
#include "records/ArchiveReader.h"
#include "records/CheckpointFormat.h"
#include "records/ConfigFile.h"
#include "records/FormerCheckpoint.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <boost/crc.hpp>

#include <cmath>
#include <csignal>
#include <cstring>
#include <optional>
#include <sys/resource.h>
#include <sys/types.h>

namespace
{

const QString batchPath = QStringLiteral(COEVOLIFE_BATCH_PATH);

QStringList entriesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The generation a checkpoint holds, as a sweep script asks for it; 0 if
// the checkpoint is unreadable.
int checkpointGeneration(const QString& checkpoint)
{
    const ProgramRun info =
        runProgram(batchPath, {QStringLiteral("--checkpoint-info"), checkpoint});
    const QByteArray prefix = "generation ";
    if (info.exitCode != 0 || !info.out.startsWith(prefix) || !info.out.endsWith('\n'))
        return 0;
    return info.out.mid(prefix.size()).trimmed().toInt();
}

// The outputs of a seeded run in `folder`, with `extra` arguments.
QStringList runArguments(const QString& folder, int generations, const QStringList& extra = {})
{
    const QDir dir(folder);
    return QStringList{QStringLiteral("--seed"),        QStringLiteral("5"),
                       QStringLiteral("--generations"), QString::number(generations),
                       QStringLiteral("--csv"),         dir.filePath(QStringLiteral("fitness.csv")),
                       QStringLiteral("--archive"),     dir.filePath(QStringLiteral("run.arc")),
                       QStringLiteral("--plot"),        dir.filePath(QStringLiteral("fitness.png")),
                       QStringLiteral("--export"),      dir.filePath(QStringLiteral("patterns"))} +
           extra;
}

// Every output of a run in `straight` equals the one in `resumed`; with
// `unbornAfter`, the archives differ only in the births of that
// generation's next, which a checkpoint of an earlier format did not keep.
void compareOutputs(const QString& straight, const QString& resumed, int unbornAfter = 0)
{
    if (unbornAfter > 0) {
        const RunArchive expected = readArchive(QDir(straight).filePath("run.arc")).archive;
        const RunArchive archived = readArchive(QDir(resumed).filePath("run.arc")).archive;
        QCOMPARE(archived.generations.size(), expected.generations.size());
        for (std::size_t k = 0; k < expected.generations.size(); ++k) {
            ArchivedGeneration generation = expected.generations[k];
            if (generation.generation == unbornAfter + 1) {
                const std::array<std::vector<float>, 2> scores{generation.lineage.scoresOf(1),
                                                               generation.lineage.scoresOf(2)};
                const PatternShape shape = archived.config().match.pattern;
                generation.lineage =
                    ArchivedLineage(ArchivedLineage::packed(scores, {}, shape), 0,
                                    archived.config().populationSize, shape, false);
            }
            QVERIFY2(archived.generations[k] == generation, qPrintable(QString::number(k + 1)));
        }
    }
    for (const QString& name :
         {QStringLiteral("fitness.csv"), QStringLiteral("run.arc"), QStringLiteral("fitness.png"),
          QStringLiteral("patterns/best1.rle"), QStringLiteral("patterns/best2.rle"),
          QStringLiteral("patterns/duel.rle")}) {
        if (unbornAfter > 0 && name == QStringLiteral("run.arc"))
            continue;
        const QByteArray expected = fileBytes(QDir(straight).filePath(name));
        QVERIFY2(!expected.isEmpty(), qPrintable(name));
        QVERIFY2(fileBytes(QDir(resumed).filePath(name)) == expected, qPrintable(name));
    }
}

// Every file under `folder`, by its path relative to it, with its bytes.
QMap<QString, QByteArray> folderBytes(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator entry(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (entry.hasNext()) {
        const QString path = entry.next();
        files.insert(QDir(folder).relativeFilePath(path), fileBytes(path));
    }
    return files;
}

// In a checkpoint of the current format: where the slot holding
// `generation` begins, and where the journal does.
qsizetype slotOffsetIn(const QByteArray& bytes, int generation)
{
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + 12) +
           (generation % 2) * qFromLittleEndian<std::uint32_t>(bytes.constData() + 64);
}
qsizetype journalOffsetIn(const QByteArray& bytes)
{
    return slotOffsetIn(bytes, 0) + 2 * qFromLittleEndian<std::uint32_t>(bytes.constData() + 64);
}

// What is done to a checkpoint between the two parts of a run.
enum class CheckpointChange {
    None,
    NewestSlotTorn,
    // The last bytes of the CSV log or the archive lost, as a power cut can
    // leave a file written just before it.
    LogLostItsEnd,
    ArchiveLostItsEnd,
    FormerFormat,
    FolderCopied,
    FolderMoved
};

enum class CheckpointDamage {
    None,
    Cut,
    CutInHeader,
    FlipByte,
    BothSlotsTorn,
    JournalCut,
    JournalByteChanged,
    Foreign,
    Empty,
    Missing,
    OtherFormat,
    OtherProgram,
    ShortLog,
    LogGone,
    BrokenConfiguration,
    // Started for fewer generations than it holds, as a run extended since.
    Extended
};

// `bytes` with the CRC-32 of the header and the fixed part made right
// again.
QByteArray withChecksum(QByteArray bytes)
{
    const qsizetype checksumAt = slotOffsetIn(bytes, 0) - 4;
    QByteArray summed = bytes.left(checksumAt);
    std::memset(summed.data() + 16, 0, 8);
    std::memset(summed.data() + 32, 0, 16);
    boost::crc_32_type crc;
    crc.process_bytes(summed.constData(), static_cast<std::size_t>(summed.size()));
    qToLittleEndian(static_cast<std::uint32_t>(crc.checksum()), bytes.data() + checksumAt);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(CheckpointChange)
Q_DECLARE_METATYPE(CheckpointDamage)

class ExperimentsBatchTest : public QObject
{
    Q_OBJECT

private slots:
    void outputsOfASeededRun();
    void interruptedRunLeavesCompleteFiles();
    void unwritableOutputsFailWithOneLine_data();
    void unwritableOutputsFailWithOneLine();
    void resumedRunEqualsStraightRun_data();
    void resumedRunEqualsStraightRun();
    void killedRunResumes();
    void secondStopGivesTheGenerationUp();
    void secondWriterIsRefused();
    void fullDiskKeepsWholeGenerations_data();
    void fullDiskKeepsWholeGenerations();
    void badCheckpointsAreRefused_data();
    void badCheckpointsAreRefused();
};

void ExperimentsBatchTest::outputsOfASeededRun()
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("fitness.csv"));
    const QString plot = dir.filePath(QStringLiteral("fitness.png"));
    const QString exportFolder = dir.filePath(QStringLiteral("patterns/run1"));
    const ProgramRun run =
        runBatch({QStringLiteral("--seed"), QStringLiteral("12345"),
                  QStringLiteral("--generations"), QStringLiteral("4"), QStringLiteral("--csv"),
                  csv, QStringLiteral("--plot"), plot, QStringLiteral("--export"), exportFolder});
    QCOMPARE(run.exitCode, 0);
    const QStringList out = run.outLines();
    QCOMPARE(out.size(), 5);
    QCOMPARE(out.last(), QStringLiteral("stopped"));
    compareCsvWithLines(fileLines(csv), out);

    QCOMPARE(entriesIn(dir.path()),
             (QStringList{QStringLiteral("fitness.csv"), QStringLiteral("fitness.png"),
                          QStringLiteral("patterns")}));
    const QImage image(plot);
    QCOMPARE(image.size(), QSize(960, 540));
    QCOMPARE(entriesIn(exportFolder),
             (QStringList{QStringLiteral("Coevolife.rule"), QStringLiteral("best1.rle"),
                          QStringLiteral("best2.rle"), QStringLiteral("duel.rle")}));
    const QStringList best1 = fileLines(QDir(exportFolder).filePath(QStringLiteral("best1.rle")));
    QVERIFY(best1.contains(QStringLiteral("#C seed 12345")));
    QVERIFY(best1.contains(QStringLiteral("#C generation 4")));
    // The best score in the file is the one printed, at full precision.
    const QString printedBest = out[3].section(QStringLiteral(",, "), 1).section(',', 0, 0);
    const QString fileBest = best1.filter(QStringLiteral("#C best score ")).value(0).mid(14);
    QVERIFY2(agreesToSixDigits(fileBest.toDouble(), printedBest.toDouble()),
             qPrintable(fileBest + QStringLiteral(" vs ") + printedBest));
    QVERIFY(fileLines(QDir(exportFolder).filePath(QStringLiteral("duel.rle")))
                .contains(QStringLiteral("x = 100, y = 15, rule = Coevolife:T100,15")));
}

void ExperimentsBatchTest::interruptedRunLeavesCompleteFiles()
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("long.csv"));
    const QString exportFolder = dir.filePath(QStringLiteral("out"));
    const QString archive = dir.filePath(QStringLiteral("long.arc"));
    QProcess process;
    process.start(batchPath,
                  {QStringLiteral("--seed"), QStringLiteral("7"), QStringLiteral("--generations"),
                   QStringLiteral("1000"), QStringLiteral("--csv"), csv, QStringLiteral("--export"),
                   exportFolder, QStringLiteral("--archive"), archive});
    QVERIFY(process.waitForStarted());
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).count('\n') >= 2, 60000);

    // While the run goes on, the rows are in the partial file as they come
    // (each just after its line is printed) and the final name does not
    // exist yet.
    QTRY_VERIFY_WITH_TIMEOUT(fileLines(csv + QStringLiteral(".partial")).size() >= 3, 60000);
    QVERIFY(!QFile::exists(csv));

    process.terminate();
    const ProgramRun run = finishedRun(process, 60000);
    out += run.out;
    QCOMPARE(run.exitCode, 128 + SIGTERM);
    const QStringList lines = QString::fromLocal8Bit(out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.last(), QStringLiteral("stopped"));
    compareCsvWithLines(fileLines(csv), lines);
    QCOMPARE(entriesIn(dir.path()),
             (QStringList{QStringLiteral("long.arc"), QStringLiteral("long.csv"),
                          QStringLiteral("out")}));
    // The archive holds every generation printed, numbered as printed.
    const ArchiveRead read = readArchive(archive);
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(static_cast<int>(read.archive.generations.size()), lines.size() - 1);
    QCOMPARE(read.archive.generations.back().generation, lines.size() - 1);
    QCOMPARE(read.archive.header.seed, 7u);
    QCOMPARE(entriesIn(exportFolder).size(), 4);
}

void ExperimentsBatchTest::unwritableOutputsFailWithOneLine_data()
{
    // Option and path pairs; a relative path lies in a folder "~" that holds
    // the file "blocker" and the folders "folder", "taken.csv.partial" and
    // "expd/duel.rle".
    QTest::addColumn<QStringList>("outputs");
    // What the one error line must contain, or, from the program's name on,
    // the whole line.
    QTest::addColumn<QString>("named");
    // A parent that is a regular file stops even root, which the tests run as.
    QTest::newRow("export under a file") << QStringList{"--export", "blocker/out"} << "blocker/out";
    QTest::newRow("export in /proc")
        << QStringList{"--export", "/proc/coevolife-batch-test"} << "/proc/coevolife-batch-test";
    QTest::newRow("plot under a file")
        << QStringList{"--plot", "blocker/fitness.png"} << "blocker/fitness.png";
    QTest::newRow("plot in /proc") << QStringList{"--plot", "/proc/coevolife-batch-test.png"}
                                   << "/proc/coevolife-batch-test.png";
    QTest::newRow("csv under a file")
        << QStringList{"--csv", "blocker/fitness.csv"} << "blocker/fitness.csv";
    QTest::newRow("archive under a file")
        << QStringList{"--archive", "blocker/run.arc"} << "blocker/run.arc";
    QTest::newRow("csv in a missing folder")
        << QStringList{"--csv", "missing/fitness.csv"} << "missing/fitness.csv";
    QTest::newRow("csv is a folder") << QStringList{"--csv", "folder"} << "--csv";
    QTest::newRow("archive is a folder") << QStringList{"--archive", "folder"} << "--archive";
    QTest::newRow("plot is a folder") << QStringList{"--plot", "folder"} << "--plot";
    QTest::newRow("csv's partial file is a folder")
        << QStringList{"--csv", "taken.csv"} << "taken.csv.partial";
    QTest::newRow("export is a file") << QStringList{"--export", "blocker"} << "--export";
    QTest::newRow("csv and plot in one file")
        << QStringList{"--csv", "same", "--plot", "same"} << "--plot";
    QTest::newRow("one file spelled two ways")
        << QStringList{"--csv", "a.csv", "--archive", "folder/../a.csv"} << "--archive";
    QTest::newRow("archive on the csv's partial file")
        << QStringList{"--csv", "run", "--archive", "run.partial"} << "run.partial";
    QTest::newRow("plot inside the export folder")
        << QStringList{"--export", "out", "--plot", "out/duel.rle"} << "duel.rle";
    QTest::newRow("export folder holds a folder of an export file's name")
        << QStringList{"--export", "expd"}
        << "coevolife-batch: --export ~/expd: ~/expd/duel.rle is a folder";
    // The formats Qt writes vary with its plugins.
    QTest::newRow("plot not named as an image")
        << QStringList{"--plot", "m.txt"}
        << "--plot ~/m.txt: the suffix names no image format; end the name in .png, .svg, .pdf (or .bmp, ";
}

void ExperimentsBatchTest::unwritableOutputsFailWithOneLine()
{
    QFETCH(QStringList, outputs);
    QFETCH(QString, named);
    QTemporaryDir dir;
    {
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken.csv.partial")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("expd/duel.rle")));
    const QStringList before = treeUnder(dir.path());
    QStringList arguments{QStringLiteral("--seed"), QStringLiteral("3"),
                          QStringLiteral("--generations"), QStringLiteral("2")};
    for (int k = 0; k < outputs.size(); k += 2)
        arguments << outputs[k]
                  << (outputs[k + 1].startsWith('/') ? outputs[k + 1]
                                                     : dir.filePath(outputs[k + 1]));
    const ProgramRun result = runBatch(arguments);

    // Refused before the first generation: nothing printed, nothing written.
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    const QStringList errors =
        result.errorLines.filter(QRegularExpression(QStringLiteral("^coevolife-batch: ")));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(result.errorLines.last(), errors.first());
    const QString expected = QString(named).replace(QLatin1Char('~'), dir.path());
    if (expected.startsWith(QStringLiteral("coevolife-batch: ")))
        QCOMPARE(errors.first(), expected);
    else
        QVERIFY2(errors.first().contains(expected), qPrintable(errors.first()));
    QCOMPARE(treeUnder(dir.path()), before);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/coevolife-batch-test")));
}

void ExperimentsBatchTest::resumedRunEqualsStraightRun_data()
{
    QTest::addColumn<int>("firstPart");
    QTest::addColumn<int>("generations");
    QTest::addColumn<bool>("isLong");
    QTest::addColumn<bool>("otherExperiment");
    QTest::addColumn<CheckpointChange>("change");
    using C = CheckpointChange;
    QTest::newRow("5 then 12") << 5 << 12 << false << false << C::None;
    // Stopping at the end of a run of 100 leaves its "stopped" to the resume.
    QTest::newRow("100 then 101") << 100 << 101 << true << false << C::None;
    QTest::newRow("130 then 250") << 130 << 250 << true << false << C::None;
    // A small odd experiment with a hall of fame: recorded in the second
    // formats, resumed with its own configuration.
    QTest::newRow("another experiment, 4 then 9") << 4 << 9 << false << true << C::None;
    // A write cut short leaves the generation before.
    QTest::newRow("another experiment, 4 then 9, newest slot torn")
        << 4 << 9 << false << true << C::NewestSlotTorn;
    // Short of what the later slot counts: the generation before, kept in
    // the other slot, still fits.
    QTest::newRow("5 then 12, the log lost its end") << 5 << 12 << false << false << C::LogLostItsEnd;
    QTest::newRow("another experiment, 4 then 9, the archive lost its end")
        << 4 << 9 << false << true << C::ArchiveLostItsEnd;
    QTest::newRow("5 then 12 from format 1") << 5 << 12 << false << false << C::FormerFormat;
    QTest::newRow("another experiment, 4 then 9 from format 2")
        << 4 << 9 << false << true << C::FormerFormat;
    // Each writes only in its own folder.
    QTest::newRow("5 then 12 in a copy of the run folder")
        << 5 << 12 << false << false << C::FolderCopied;
    QTest::newRow("another experiment, 4 then 9 in the run folder moved")
        << 4 << 9 << false << true << C::FolderMoved;
}

void ExperimentsBatchTest::resumedRunEqualsStraightRun()
{
    QFETCH(int, firstPart);
    QFETCH(int, generations);
    QFETCH(bool, isLong);
    QFETCH(bool, otherExperiment);
    QFETCH(CheckpointChange, change);
    if (isLong && qEnvironmentVariableIsSet("COEVOLIFE_SKIP_LONG_TESTS"))
        QSKIP("COEVOLIFE_SKIP_LONG_TESTS is set");
    QTemporaryDir straight;
    QTemporaryDir resumed;
    QStringList experiment;
    if (otherExperiment) {
        const ExperimentConfig config = oddExperiment();
        const QString path = straight.filePath(QStringLiteral("odd.toml"));
        QVERIFY(writeBytes(path, experimentConfigToml(config).toUtf8()));
        experiment = QStringList{QStringLiteral("--config"), path};
    }
    // The straight run plays as the window does, the resumed one on pools of
    // three threads and of one per CPU: all print and write the same.
    const ProgramRun whole =
        runProgram(batchPath, runArguments(straight.path(), generations,
                                           experiment + QStringList{"--board-threads"}));
    QCOMPARE(whole.exitCode, 0);

    const QString checkpoint = resumed.filePath(QStringLiteral("run.ckpt"));
    const ProgramRun first = runProgram(
        batchPath,
        runArguments(resumed.path(), firstPart,
                     experiment + QStringList{QStringLiteral("--checkpoint"), checkpoint,
                                              QStringLiteral("--threads"), QStringLiteral("3")}));
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(checkpointGeneration(checkpoint), firstPart);

    int held = firstPart;
    QString folder = resumed.path();
    QTemporaryDir elsewhere;
    QMap<QString, QByteArray> original;
    switch (change) {
    case CheckpointChange::None:
        break;
    case CheckpointChange::NewestSlotTorn: {
        QByteArray bytes = fileBytes(checkpoint);
        const qsizetype torn = slotOffsetIn(bytes, firstPart) + 50;
        bytes[torn] = static_cast<char>(bytes[torn] ^ 0x10);
        QVERIFY(writeBytes(checkpoint, bytes));
        held = firstPart - 1;
        QCOMPARE(checkpointGeneration(checkpoint), held);
        break;
    }
    case CheckpointChange::LogLostItsEnd:
    case CheckpointChange::ArchiveLostItsEnd: {
        const QString lost = QDir(folder).filePath(change == CheckpointChange::LogLostItsEnd
                                                       ? QStringLiteral("fitness.csv")
                                                       : QStringLiteral("run.arc"));
        QVERIFY(QFile::resize(lost, QFileInfo(lost).size() - 2));
        held = firstPart - 1;
        QCOMPARE(checkpointGeneration(checkpoint), held);
        break;
    }
    case CheckpointChange::FormerFormat: {
        const CheckpointRead read = readCheckpoint(checkpoint);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(writeBytes(checkpoint, encodeFormerCheckpoint(read.checkpoint)));
        break;
    }
    case CheckpointChange::FolderCopied:
        folder = elsewhere.filePath(QStringLiteral("copy"));
        QCOMPARE(runProgram(QStringLiteral("cp"), {QStringLiteral("-R"), resumed.path(), folder})
                     .exitCode,
                 0);
        original = folderBytes(resumed.path());
        break;
    case CheckpointChange::FolderMoved:
        folder = elsewhere.filePath(QStringLiteral("moved"));
        QVERIFY(QDir().rename(resumed.path(), folder));
        break;
    }
    const QString resumedCheckpoint = QDir(folder).filePath(QStringLiteral("run.ckpt"));
    const ProgramRun rest =
        runProgram(batchPath, {QStringLiteral("--resume"), resumedCheckpoint,
                               QStringLiteral("--generations"), QString::number(generations)});
    QCOMPARE(rest.exitCode, 0);
    QCOMPARE(logUpToGeneration(first.out, held) + rest.out, whole.out);
    compareOutputs(straight.path(), folder, change == CheckpointChange::FormerFormat ? held : 0);
    QCOMPARE(checkpointGeneration(resumedCheckpoint), generations);
    if (change == CheckpointChange::FolderCopied)
        QVERIFY(folderBytes(resumed.path()) == original);
}

// A generation of hours, on the largest board for the most steps: the first
// SIGTERM waits for it, another gives it up, and the run ends at once with
// its outputs as they were before it.
void ExperimentsBatchTest::secondStopGivesTheGenerationUp()
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("slow.csv"));
    QProcess process;
    process.start(batchPath, {QStringLiteral("--seed"), QStringLiteral("7"),
                              QStringLiteral("--set"), QStringLiteral("board.width=4096"),
                              QStringLiteral("--set"), QStringLiteral("board.height=4096"),
                              QStringLiteral("--set"), QStringLiteral("board.steps=100000"),
                              QStringLiteral("--csv"), csv});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(csv + QStringLiteral(".partial")), 60000);
    const qint64 pid = process.processId();
    QVERIFY(pid > 0);
    // Sent again until the program ends: two signals sent at once may arrive
    // as one.
    for (int tries = 0; tries < 600 && process.state() != QProcess::NotRunning; ++tries) {
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        QTest::qWait(200);
    }
    QCOMPARE(process.state(), QProcess::NotRunning);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + SIGTERM);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("stopped\n"));
    QCOMPARE(fileLines(csv), QStringList{QStringLiteral("generation,average1,average2,best1,best2")});
    QVERIFY(!QFile::exists(csv + QStringLiteral(".partial")));
}

void ExperimentsBatchTest::killedRunResumes()
{
    // Across the end of runs of 100; under the sanitizers, which run slowly,
    // within the first run.
    const int generations = qEnvironmentVariableIsSet("COEVOLIFE_SKIP_LONG_TESTS") ? 40 : 1000;
    QTemporaryDir straight;
    QTemporaryDir resumed;
    const ProgramRun whole = runProgram(batchPath, runArguments(straight.path(), generations));
    QCOMPARE(whole.exitCode, 0);

    const QString checkpoint = resumed.filePath(QStringLiteral("run.ckpt"));
    QProcess process;
    process.start(batchPath, runArguments(resumed.path(), generations,
                                          {QStringLiteral("--checkpoint"), checkpoint}));
    QVERIFY(process.waitForStarted());
    // Killed once the checkpoint holds a random early generation: a delay
    // in time could outlast a fast run.
    const int target = 1 + static_cast<int>(QRandomGenerator::global()->bounded(generations / 4));
    qInfo("SIGKILL once the checkpoint holds generation %d", target);
    QTRY_VERIFY_WITH_TIMEOUT(checkpointGeneration(checkpoint) >= target, 60000);
    // A process id of 0 would signal this test's whole process group.
    const qint64 pid = process.processId();
    QVERIFY2(pid > 0, "the run ended before it could be killed");
    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
    const ProgramRun killed = finishedRun(process, 60000);
    QCOMPARE(killed.exitCode, -1);
    const QByteArray killedLog = killed.out;

    const int generation = checkpointGeneration(checkpoint);
    QVERIFY(generation >= 1);
    const QByteArray log = logUpToGeneration(killedLog, generation);
    QVERIFY2(!log.isEmpty(), "the log lacks the generation the checkpoint holds");
    const ProgramRun rest = runProgram(batchPath, {QStringLiteral("--resume"), checkpoint});
    QCOMPARE(rest.exitCode, 0);
    QCOMPARE(log + rest.out, whole.out);
    compareOutputs(straight.path(), resumed.path());
}

void ExperimentsBatchTest::secondWriterIsRefused()
{
    QTemporaryDir dir;
    const QDir folder(dir.path());
    const QString checkpoint = folder.filePath(QStringLiteral("run.ckpt"));
    const QString csv = folder.filePath(QStringLiteral("fitness.csv"));
    const QString archive = folder.filePath(QStringLiteral("run.arc"));
    QProcess first;
    first.start(batchPath,
                {QStringLiteral("--seed"), QStringLiteral("2"), QStringLiteral("--generations"),
                 QStringLiteral("1000000"), QStringLiteral("--csv"), csv,
                 QStringLiteral("--archive"), archive, QStringLiteral("--checkpoint"), checkpoint});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(checkpointGeneration(checkpoint) >= 1, 60000);
    const qint64 pid = first.processId();
    QVERIFY(pid > 0);

    // Whichever of its files a second batch names, it refuses at once and
    // creates nothing.
    const QString other = folder.filePath(QStringLiteral("other"));
    const QList<QStringList> seconds{
        {QStringLiteral("--resume"), checkpoint},
        {QStringLiteral("--checkpoint"), checkpoint, QStringLiteral("--csv"), other},
        {QStringLiteral("--archive"), archive, QStringLiteral("--csv"), other},
        {QStringLiteral("--csv"), csv, QStringLiteral("--archive"), other}};
    const QStringList named{checkpoint, checkpoint, archive, csv};
    for (int k = 0; k < seconds.size(); ++k) {
        const ProgramRun second = runProgram(batchPath, seconds[k]);
        QCOMPARE(second.exitCode, ExitCode::badInput);
        QCOMPARE(second.errorLines.size(), 1);
        QVERIFY2(second.errorLines[0].contains(named[k] + QStringLiteral(" is in use by process ") +
                                               QString::number(pid)),
                 qPrintable(second.errorLines[0]));
        QCOMPARE(folder.entryList({QStringLiteral("other*")}), QStringList());
    }

    // The lock goes with its process, however it ends.
    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
    QVERIFY(first.waitForFinished(60000));
    const int generation = checkpointGeneration(checkpoint);
    QCOMPARE(
        runProgram(batchPath, {QStringLiteral("--resume"), checkpoint,
                               QStringLiteral("--generations"), QString::number(generation + 1)})
            .exitCode,
        0);
}

void ExperimentsBatchTest::fullDiskKeepsWholeGenerations_data()
{
    QTest::addColumn<bool>("checkpointed");
    // The bytes a file may hold, counted from the size of a run's first
    // checkpoint when `pastFirstCheckpoint`.
    QTest::addColumn<int>("fileSizeLimit");
    QTest::addColumn<bool>("pastFirstCheckpoint");
    QTest::addColumn<QString>("failing");
    // Not even the log's header fits: the start leaves no file behind.
    QTest::newRow("at the first write") << true << 20 << false << "fitness.csv";
    QTest::newRow("with a checkpoint, resumed once there is room")
        << true << 8000 << true << "run.arc";
    QTest::newRow("without a checkpoint") << false << 24000 << false << "run.arc";
    // The first checkpoint is larger than the first generation's records.
    QTest::newRow("the first checkpoint does not fit") << true << 4000 << false << "run.ckpt";
    // Each later generation adds 32 bytes for the plot to the checkpoint:
    // the twelfth's do not fit.
    QTest::newRow("a later checkpoint does not fit, resumed once there is room")
        << true << 10 * 32 + 16 << true << "run.ckpt";
}

// A file-size limit stands in for a full disk: writes past it fail as they
// would on one, with the system's own reason, since the batch ignores the
// signal SIGXFSZ that would otherwise end it there.
void ExperimentsBatchTest::fullDiskKeepsWholeGenerations()
{
    QFETCH(bool, checkpointed);
    QFETCH(int, fileSizeLimit);
    QFETCH(bool, pastFirstCheckpoint);
    QFETCH(QString, failing);
    const int generations = 40;
    QTemporaryDir straight;
    QTemporaryDir cramped;
    QCOMPARE(runProgram(batchPath, runArguments(straight.path(), generations)).exitCode, 0);
    if (pastFirstCheckpoint) {
        // The first checkpoint of a run like the one to come, in a folder
        // like its own.
        QTemporaryDir elsewhere;
        const QString first = elsewhere.filePath(QStringLiteral("run.ckpt"));
        QCOMPARE(runProgram(batchPath, runArguments(elsewhere.path(), 1,
                                                    {QStringLiteral("--checkpoint"), first}))
                     .exitCode,
                 0);
        fileSizeLimit += static_cast<int>(QFileInfo(first).size());
    }

    const QString checkpoint = cramped.filePath(QStringLiteral("run.ckpt"));
    const ProgramRun run = runProgram(
        batchPath,
        runArguments(cramped.path(), generations,
                     checkpointed ? QStringList{QStringLiteral("--checkpoint"), checkpoint}
                                  : QStringList{}),
        [fileSizeLimit] {
            const rlim_t bytes = static_cast<rlim_t>(fileSizeLimit);
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    QCOMPARE(run.exitCode, ExitCode::unwritableOutput);
    const QString error = QString::fromLocal8Bit(run.err);
    QVERIFY2(error.count(QLatin1Char('\n')) == 1 && error.contains(failing) &&
                 error.contains(QStringLiteral("File too large")),
             qPrintable(error));
    // Every lock went with the batch; a start that recorded nothing left
    // nothing, not even an empty partial file.
    QCOMPARE(QDir(cramped.path()).entryList({QStringLiteral("*.lock")}), QStringList());
    if (fileSizeLimit < 100) {
        QCOMPARE(entriesIn(cramped.path()), QStringList());
        return;
    }

    // Nothing complete is lost: every whole generation stays in the partial
    // files, no record is torn, and no final name was given to either.
    const QDir dir(cramped.path());
    const QString arc = dir.filePath(QStringLiteral("run.arc"));
    const ArchiveRead archive = readArchive(PartialFile::partialPathOf(arc));
    QVERIFY2(archive.error.isEmpty() && archive.warning.isEmpty(),
             qPrintable(archive.error + archive.warning));
    const int archived = static_cast<int>(archive.archive.generations.size());
    QVERIFY(archived >= 1 && archived < generations);
    const QStringList csv = fileLines(dir.filePath(QStringLiteral("fitness.csv.partial")));
    // The log is written before the archive, so it may hold one generation more.
    QVERIFY(csv.size() == archived + 1 || csv.size() == archived + 2);
    QCOMPARE(csv, fileLines(QDir(straight.path()).filePath(QStringLiteral("fitness.csv")))
                      .mid(0, csv.size()));
    QVERIFY(!QFile::exists(arc) && !QFile::exists(dir.filePath(QStringLiteral("fitness.csv"))));
    // Nor is a checkpoint ever replaced by a partly written one: a first one
    // that does not fit leaves none, a later one the generation before.
    if (!QFile::exists(checkpoint)) {
        QCOMPARE(entriesIn(cramped.path()), (QStringList{QStringLiteral("fitness.csv.partial"),
                                                         QStringLiteral("run.arc.partial")}));
        return;
    }
    QCOMPARE(checkpointGeneration(checkpoint),
             failing == QStringLiteral("run.ckpt") ? archived - 1 : archived);

    // Room again: the resume ends as a run never stopped.
    const ProgramRun rest = runProgram(batchPath, {QStringLiteral("--resume"), checkpoint});
    QCOMPARE(rest.exitCode, 0);
    compareOutputs(straight.path(), cramped.path());
}

void ExperimentsBatchTest::badCheckpointsAreRefused_data()
{
    QTest::addColumn<CheckpointDamage>("damage");
    QTest::addColumn<QStringList>("extra");
    // What the one error line must say besides the checkpoint's name, or,
    // from the program's name on, the whole line ("~" for the checkpoint).
    QTest::addColumn<QString>("named");
    using D = CheckpointDamage;
    QTest::newRow("truncated") << D::Cut << QStringList{} << "truncated";
    QTest::newRow("truncated in its header") << D::CutInHeader << QStringList{} << "truncated";
    QTest::newRow("one byte of its fixed part changed")
        << D::FlipByte << QStringList{} << "checksum";
    QTest::newRow("both slots torn") << D::BothSlotsTorn << QStringList{} << "checksum";
    QTest::newRow("journal cut short") << D::JournalCut << QStringList{} << "truncated";
    QTest::newRow("one byte of its journal changed")
        << D::JournalByteChanged << QStringList{} << "journal";
    QTest::newRow("foreign") << D::Foreign << QStringList{} << "not a Coevolife checkpoint";
    QTest::newRow("empty") << D::Empty << QStringList{} << "not a Coevolife checkpoint";
    QTest::newRow("missing") << D::Missing << QStringList{} << "cannot read";
    QTest::newRow("other format version") << D::OtherFormat << QStringList{} << "version 4";
    QTest::newRow("other program version") << D::OtherProgram << QStringList{} << "0.0-other";
    QTest::newRow("log shorter than both slots count")
        << D::ShortLog << QStringList{} << "the files lost what it counts: start the run again";
    QTest::newRow("log gone from outside its folder")
        << D::LogGone << QStringList{} << "put it back there, or start the run again";
    QTest::newRow("another experiment's configuration broken")
        << D::BrokenConfiguration << QStringList{} << "corrupted: its configuration";
    QTest::newRow("other seed") << D::None << QStringList{"--seed", "7"} << "--seed 7";
    QTest::newRow("other csv") << D::None << QStringList{"--csv", "other.csv"} << "--csv";
    QTest::newRow("export not asked for at first")
        << D::None << QStringList{"--export", "patterns"} << "--export";
    QTest::newRow("other archive") << D::None << QStringList{"--archive", "b.arc"} << "--archive";
    QTest::newRow("generations before the checkpoint")
        << D::None << QStringList{"--generations", "2"}
        << "coevolife-batch: ~ holds generation 3, past --generations 2; give --generations 3 or "
           "more to go on";
    QTest::newRow("extended past the generations it was started for")
        << D::Extended << QStringList{}
        << "coevolife-batch: ~ holds generation 3, past the 2 generations it was started for; "
           "give --generations 3 or more to go on";
    QTest::newRow("another configuration, extended")
        << D::Extended << QStringList{"--set", "population.size=30"}
        << "coevolife-batch: ~: the run was started with another configuration; leave out "
           "--config and --set to go on with its own";
}

void ExperimentsBatchTest::badCheckpointsAreRefused()
{
    QFETCH(CheckpointDamage, damage);
    QFETCH(QStringList, extra);
    QFETCH(QString, named);
    // The outputs outside the checkpoint's folder; a plot, so that the
    // checkpoint keeps a journal.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("state")));
    const QString checkpoint = dir.filePath(QStringLiteral("state/run.ckpt"));
    const QString csv = dir.filePath(QStringLiteral("fitness.csv"));
    const QString archive = dir.filePath(QStringLiteral("run.arc"));
    const ProgramRun first = runProgram(
        batchPath, {QStringLiteral("--seed"), QStringLiteral("3"), QStringLiteral("--generations"),
                    QStringLiteral("3"), QStringLiteral("--csv"), csv, QStringLiteral("--archive"),
                    archive, QStringLiteral("--plot"), dir.filePath(QStringLiteral("fitness.png")),
                    QStringLiteral("--checkpoint"), checkpoint});
    QCOMPARE(first.exitCode, 0);

    QByteArray bytes = fileBytes(checkpoint);
    QVERIFY(bytes.size() > checkpointHeaderSize);
    switch (damage) {
    case CheckpointDamage::None:
        break;
    case CheckpointDamage::Cut:
        bytes.truncate(bytes.size() / 2);
        break;
    case CheckpointDamage::CutInHeader:
        bytes.truncate(20);
        break;
    case CheckpointDamage::FlipByte:
        bytes[checkpointHeaderSize + 20] =
            static_cast<char>(bytes[checkpointHeaderSize + 20] ^ 0x10);
        break;
    case CheckpointDamage::BothSlotsTorn:
        for (int generation : {2, 3})
            bytes[slotOffsetIn(bytes, generation) + 50] ^= 0x10;
        break;
    case CheckpointDamage::JournalCut:
        // Short of the entries of both slots' generations.
        bytes.truncate(journalOffsetIn(bytes) + 8);
        break;
    case CheckpointDamage::JournalByteChanged:
        bytes[journalOffsetIn(bytes)] ^= 0x10;
        break;
    case CheckpointDamage::Foreign:
        bytes = fileBytes(csv);
        break;
    case CheckpointDamage::Empty:
        bytes.clear();
        break;
    case CheckpointDamage::Missing:
        QVERIFY(QFile::remove(checkpoint));
        bytes.clear();
        break;
    case CheckpointDamage::OtherFormat:
        qToLittleEndian(checkpointFormatVersion + 1, bytes.data() + 8);
        break;
    case CheckpointDamage::OtherProgram:
        std::memcpy(bytes.data() + 48, "0.0-other", 9);
        bytes = withChecksum(bytes);
        break;
    case CheckpointDamage::BrokenConfiguration: {
        // The same state as another experiment's checkpoint, whose
        // configuration comes after the slot size, its first byte broken.
        QString problem;
        std::optional<Checkpoint> read = decodeCheckpoint(bytes, problem);
        QVERIFY2(read, qPrintable(problem));
        read->config.matchesPerGeneration = 90;
        bytes = encodeCheckpoint(*read);
        QVERIFY(decodeCheckpoint(bytes, problem));
        bytes[checkpointHeaderSize + 8] = '=';
        bytes = withChecksum(bytes);
        break;
    }
    case CheckpointDamage::Extended: {
        QString problem;
        std::optional<Checkpoint> read = decodeCheckpoint(bytes, problem);
        QVERIFY2(read, qPrintable(problem));
        read->generationsAsked = 2;
        bytes = encodeCheckpoint(*read);
        break;
    }
    case CheckpointDamage::ShortLog: {
        // Shorter than either slot counts: the header and 2 bytes.
        const QByteArray log = fileBytes(csv);
        QVERIFY(writeBytes(csv, log.left(log.indexOf('\n') + 3)));
        break;
    }
    case CheckpointDamage::LogGone:
        QVERIFY(QFile::remove(csv));
        break;
    }
    if (damage != CheckpointDamage::Missing)
        QVERIFY(writeBytes(checkpoint, bytes));
    const QStringList before = entriesIn(dir.path()) + entriesIn(dir.filePath("state"));
    const QByteArray csvBefore = fileBytes(csv);
    const QByteArray archiveBefore = fileBytes(archive);

    QStringList arguments{QStringLiteral("--resume"), checkpoint};
    for (int k = 0; k < extra.size(); k += 2)
        arguments << extra[k]
                  << (extra[k] == "--seed" || extra[k] == "--generations" || extra[k] == "--set"
                          ? extra[k + 1]
                          : dir.filePath(extra[k + 1]));
    const ProgramRun run = runProgram(batchPath, arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.errorLines.size(), 1);
    QVERIFY2(run.errorLines.first().startsWith(QStringLiteral("coevolife-batch: ") + checkpoint),
             qPrintable(run.errorLines.first()));
    const QString expected = QString(named).replace(QLatin1Char('~'), checkpoint);
    if (expected.startsWith(QStringLiteral("coevolife-batch: ")))
        QCOMPARE(run.errorLines.first(), expected);
    else
        QVERIFY2(run.errorLines.first().contains(expected), qPrintable(run.errorLines.first()));
    // Nothing is overwritten, nothing is added.
    QCOMPARE(entriesIn(dir.path()) + entriesIn(dir.filePath("state")), before);
    QVERIFY(fileBytes(checkpoint) == bytes);
    QVERIFY(fileBytes(csv) == csvBefore);
    QVERIFY(fileBytes(archive) == archiveBefore);
}

QTEST_GUILESS_MAIN(ExperimentsBatchTest)
#include "ExperimentsBatchTest.moc"
