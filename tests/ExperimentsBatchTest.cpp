// coevolife-batch's experiment outputs, through the executable: the CSV
// against the printed progress lines, the plot and the exported patterns,
// an interrupted run, and outputs refused before the first generation.
#include "experiments/ArchiveReader.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <csignal>

namespace
{

const QString batchPath = QStringLiteral(COEVOLIFE_BATCH_PATH);

struct BatchResult {
    int exitCode = -1;
    QStringList out;
    QStringList err;
};

BatchResult runBatch(const QStringList& arguments)
{
    QProcess process;
    process.start(batchPath, arguments);
    BatchResult result;
    if (!process.waitForFinished(300000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    result.err = QString::fromLocal8Bit(process.readAllStandardError())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return result;
}

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList entriesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// True when `printed` is `precise` rounded to 6 significant digits.
bool agreesToSixDigits(double precise, double printed)
{
    if (printed == 0.0)
        return std::abs(precise) < 5e-7;
    const double unit = std::pow(10.0, std::floor(std::log10(std::abs(printed))) - 5);
    return std::abs(precise - printed) <= unit / 2 * (1 + 1e-9);
}

// Checks the CSV rows against the progress lines printed, one for one.
void compareCsvWithLines(const QStringList& csv, const QStringList& printedLines)
{
    static const QRegularExpression progress(
        QStringLiteral("^generation(\\d+) average : (\\S+), (\\S+),, (\\S+), (\\S+)$"));
    QStringList progressLines;
    for (const QString& line : printedLines)
        if (line != QStringLiteral("stopped"))
            progressLines << line;
    QVERIFY(!progressLines.isEmpty());
    QCOMPARE(csv.size(), progressLines.size() + 1);
    QCOMPARE(csv.first(), QStringLiteral("generation,average1,average2,best1,best2"));
    for (int k = 0; k < progressLines.size(); ++k) {
        const QRegularExpressionMatch match = progress.match(progressLines[k]);
        QVERIFY2(match.hasMatch(), qPrintable(progressLines[k]));
        const QStringList fields = csv[k + 1].split(QLatin1Char(','));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0], match.captured(1));
        for (int f = 1; f < 5; ++f) {
            bool ok = false;
            const double value = fields[f].toDouble(&ok);
            QVERIFY(ok);
            QVERIFY2(agreesToSixDigits(value, match.captured(f + 1).toDouble()),
                     qPrintable(csv[k + 1] + QStringLiteral(" vs ") + progressLines[k]));
        }
    }
}

} // namespace

class ExperimentsBatchTest : public QObject
{
    Q_OBJECT

private slots:
    void outputsOfASeededRun();
    void interruptedRunLeavesCompleteFiles();
    void unwritableOutputsFailWithOneLine_data();
    void unwritableOutputsFailWithOneLine();
};

void ExperimentsBatchTest::outputsOfASeededRun()
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("fitness.csv"));
    const QString plot = dir.filePath(QStringLiteral("fitness.png"));
    const QString exportFolder = dir.filePath(QStringLiteral("patterns/run1"));
    const BatchResult result =
        runBatch({QStringLiteral("--seed"), QStringLiteral("12345"),
                  QStringLiteral("--generations"), QStringLiteral("4"), QStringLiteral("--csv"),
                  csv, QStringLiteral("--plot"), plot, QStringLiteral("--export"), exportFolder});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out.size(), 5);
    QCOMPARE(result.out.last(), QStringLiteral("stopped"));
    compareCsvWithLines(readLines(csv), result.out);

    QCOMPARE(entriesIn(dir.path()),
             (QStringList{QStringLiteral("fitness.csv"), QStringLiteral("fitness.png"),
                          QStringLiteral("patterns")}));
    const QImage image(plot);
    QCOMPARE(image.size(), QSize(960, 540));
    QCOMPARE(entriesIn(exportFolder),
             (QStringList{QStringLiteral("Coevolife.rule"), QStringLiteral("best1.rle"),
                          QStringLiteral("best2.rle"), QStringLiteral("duel.rle")}));
    const QStringList best1 = readLines(QDir(exportFolder).filePath(QStringLiteral("best1.rle")));
    QVERIFY(best1.contains(QStringLiteral("#C seed 12345")));
    QVERIFY(best1.contains(QStringLiteral("#C generation 4")));
    // The best score in the file is the one printed, at full precision.
    const QString printedBest = result.out[3].section(QStringLiteral(",, "), 1).section(',', 0, 0);
    const QString fileBest = best1.filter(QStringLiteral("#C best score ")).value(0).mid(14);
    QVERIFY2(agreesToSixDigits(fileBest.toDouble(), printedBest.toDouble()),
             qPrintable(fileBest + QStringLiteral(" vs ") + printedBest));
    QVERIFY(readLines(QDir(exportFolder).filePath(QStringLiteral("duel.rle")))
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
    // and the final name does not exist yet.
    QVERIFY(!QFile::exists(csv));
    QVERIFY(readLines(csv + QStringLiteral(".partial")).size() >= 3);

    process.terminate();
    QVERIFY(process.waitForFinished(60000));
    out += process.readAllStandardOutput();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + SIGTERM);
    const QStringList lines = QString::fromLocal8Bit(out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.last(), QStringLiteral("stopped"));
    compareCsvWithLines(readLines(csv), lines);
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
    // Option and path pairs; a relative path lies in a folder that holds the
    // file "blocker" and the folders "folder" and "taken.csv.partial".
    QTest::addColumn<QStringList>("outputs");
    // What the one error line must contain.
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
    const QStringList before = entriesIn(dir.path());
    QStringList arguments{QStringLiteral("--seed"), QStringLiteral("3"),
                          QStringLiteral("--generations"), QStringLiteral("2")};
    for (int k = 0; k < outputs.size(); k += 2)
        arguments << outputs[k]
                  << (outputs[k + 1].startsWith('/') ? outputs[k + 1]
                                                     : dir.filePath(outputs[k + 1]));
    const BatchResult result = runBatch(arguments);

    // Refused before the first generation: nothing printed, nothing written.
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    const QStringList errors =
        result.err.filter(QRegularExpression(QStringLiteral("^coevolife-batch: ")));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(result.err.last(), errors.first());
    QVERIFY2(errors.first().contains(named), qPrintable(errors.first()));
    QCOMPARE(entriesIn(dir.path()), before);
    QVERIFY(entriesIn(dir.filePath(QStringLiteral("folder"))).isEmpty());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/coevolife-batch-test")));
}

QTEST_GUILESS_MAIN(ExperimentsBatchTest)
#include "ExperimentsBatchTest.moc"
