// coevolife-analyze against results computed independently of this code,
// the pool against the worker's way of playing a match, and Ctrl-C.
#include "TestSupport.h"
#include "analysis/ChampionGrid.h"
#include "board/Board.h"
#include "board/Match.h"
#include "board/MatchPool.h"
#include "charts/FitnessPlot.h"
#include "evolution/GenerationReport.h"
#include "evolution/LifegameThread.h"
#include "random/RandomSources.h"
#include "records/ArchiveReader.h"
#include "records/ArchiveWriter.h"
#include "records/Checksum.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace
{

const QString batchPath = QStringLiteral(COEVOLIFE_BATCH_PATH);
const QString analyzePath = QStringLiteral(COEVOLIFE_ANALYZE_PATH);

QByteArray referenceFile(const char* name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("data/") + QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString patternBits(const PackedPattern& pattern)
{
    const Pattern cells = unpackPattern(pattern);
    QString bits;
    for (int i = 0; i < patternCells; ++i)
        bits += cells[i] != 0 ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

} // namespace

class AnalyzeTest : public QObject
{
    Q_OBJECT

private slots:
    void seededRunMatchesReference();
    void gridCellsAreTheWorkersMatches();
    void otherConfigurationArchivedAndPlayedOnItsLayout();
    void interruptWritesNothing();
    void summaryQuartilesOfHandMadeRuns();
};

void AnalyzeTest::seededRunMatchesReference()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("run.arc"));
    const ProgramRun plain =
        runProgram(batchPath, {QStringLiteral("--seed"), QStringLiteral("12345"),
                               QStringLiteral("--generations"), QStringLiteral("10")});
    const ProgramRun archived =
        runProgram(batchPath, {QStringLiteral("--seed"), QStringLiteral("12345"),
                               QStringLiteral("--generations"), QStringLiteral("10"),
                               QStringLiteral("--archive"), archive});
    QCOMPARE(archived.exitCode, 0);
    QCOMPARE(archived.out, plain.out);

    const ArchiveRead read = readArchive(archive);
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.archive.header.seed, 12345u);
    // The default run stays version 1: its records as the version 1 writer
    // wrote them, checked by their CRC-32 (the header holds the program's
    // version, which changes).
    QCOMPARE(read.archive.header.formatVersion, 1u);
    QFile archiveFile(archive);
    QVERIFY(archiveFile.open(QIODevice::ReadOnly));
    const QByteArray records = archiveFile.readAll().mid(archiveHeaderSize);
    QCOMPARE(records.size(), 10 * archiveRecordSize);
    QCOMPARE(crc32Of(records.constData(), records.size()), 0x9120c232u);
    QString champions;
    for (const ArchivedGeneration& generation : read.archive.generations)
        champions += QString::asprintf("%d %s %.9g %s %.9g\n", generation.generation,
                                       qPrintable(patternBits(generation.championOf(1))),
                                       static_cast<double>(generation.championScore1),
                                       qPrintable(patternBits(generation.championOf(2))),
                                       static_cast<double>(generation.championScore2));
    QCOMPARE(champions.toUtf8(), referenceFile("seed12345-champions10.txt"));

    const QByteArray grid = referenceFile("seed12345-grid10.csv");
    QVERIFY(!grid.isEmpty());
    for (const char* threads : {"1", "2", "5"}) {
        const QString csv = dir.filePath(QStringLiteral("grid%1.csv").arg(threads));
        const ProgramRun run =
            runProgram(analyzePath, {QStringLiteral("grid"), archive, QStringLiteral("--csv"), csv,
                                     QStringLiteral("--threads"), QLatin1String(threads)});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.errorLines.isEmpty());
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), grid);
    }
}

void AnalyzeTest::gridCellsAreTheWorkersMatches()
{
    // Random champions with repeats, as a run has them.
    std::mt19937_64 random(99);
    const PackedPattern empty(packedPatternBytes, '\0');
    std::vector<PackedPattern> champions1(12, empty);
    std::vector<PackedPattern> champions2(9, empty);
    for (PackedPattern& champion : champions1)
        champion = random() % 3 == 0 ? champions1.front() : randomPackedPattern(random);
    for (PackedPattern& champion : champions2)
        champion = random() % 3 == 0 ? champions2.front() : randomPackedPattern(random);
    ChampionGrid grid(champions1, champions2);
    MatchPool pool(3);
    playGrid(grid, pool);

    // The worker's path: the board's own thread started and waited for.
    StepThread board;
    prepareMatchBoard(board.board());
    for (int i = 0; i < grid.size1(); ++i)
        for (int j = 0; j < grid.size2(); ++j) {
            setUpMatch(board.board(), unpackPattern(champions1[i]), unpackPattern(champions2[j]));
            board.start();
            board.wait();
            const MatchResult result = matchResult(board.board());
            COMPARE_EXACTLY(grid.at(i, j).score1, static_cast<float>(result.firstScore()));
            COMPARE_EXACTLY(grid.at(i, j).score2, static_cast<float>(result.secondScore()));
        }
}

void AnalyzeTest::otherConfigurationArchivedAndPlayedOnItsLayout()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("odd.arc"));
    const ExperimentConfig config = oddTestConfig();
    reseedRandomSources(7);
    LifegameThread worker(config);
    ArchiveWriter writer;
    QCOMPARE(writer.open(path, 7, config), QString());
    std::vector<ArchivedGeneration> written;
    connect(
        &worker, &LifegameThread::generationPlayed, &worker,
        [&](const GenerationReport& report) {
            written.push_back(archivedGeneration(report));
            QCOMPARE(writer.append(written.back()), QString());
            if (written.size() == 3)
                worker.requestStop();
        },
        Qt::DirectConnection);
    worker.start();
    QVERIFY(worker.wait(120000));
    QCOMPARE(writer.finish(), QString());

    const ArchiveRead read = readArchive(path);
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.archive.header.formatVersion, 2u);
    QVERIFY(read.archive.config() == config);
    QVERIFY(read.archive.generations == written);

    // The analyzer's grid cell of generations 3 and 2 against that match
    // played here on the run's layout.
    const QString csv = dir.filePath(QStringLiteral("grid.csv"));
    const ProgramRun run =
        runProgram(analyzePath, {QStringLiteral("grid"), path, QStringLiteral("--csv"), csv});
    QCOMPARE(run.exitCode, 0);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = file.readAll().split('\n');
    QCOMPARE(rows[0], QByteArray("generation1,generation2,score1,score2"));
    const PatternShape shape = config.match.pattern;
    Board board;
    const MatchResult result =
        playMatch(board, unpackPattern(written[2].championOf(1), shape),
                  unpackPattern(written[1].championOf(2), shape), config.match);
    QCOMPARE(QString::fromLatin1(rows[1 + 2 * 3 + 1]),
             QString::asprintf("3,2,%.9g,%.9g",
                               static_cast<double>(static_cast<float>(result.firstScore())),
                               static_cast<double>(static_cast<float>(result.secondScore()))));
}

void AnalyzeTest::interruptWritesNothing()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("long.arc"));
    QVERIFY(writeBytes(archive, randomArchive(1500, 5)));
    const QString csv = dir.filePath(QStringLiteral("grid.csv"));
    QProcess process;
    process.start(analyzePath, {QStringLiteral("grid"), archive, QStringLiteral("--csv"), csv});
    QVERIFY(process.waitForStarted());
    QTest::qWait(500);
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    QElapsedTimer stopping;
    stopping.start();
    QVERIFY(process.waitForFinished(5000));
    QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + SIGINT);
    // Not a terminal: no progress bar either.
    QVERIFY(process.readAllStandardError().isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("long.arc")});
}

void AnalyzeTest::summaryQuartilesOfHandMadeRuns()
{
    QTemporaryDir dir;
    const QByteArray header("generation,average1,average2,best1,best2\n");
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("a/fitness.csv")),
                       header + "1,1,2,10,20\n2,3,4,30,40\n"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("b.csv")),
                       header + "1,2,4,10,22\n2,5,6,30,44\n3,7,8,50,60\n"));
    QVERIFY(
        writeBytes(dir.filePath(QStringLiteral("c.csv")), header + "1,4,8,10,30\n2,9,1,35,40\n"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("d.csv")), header + "1,10,0,12,20\n"));
    const QString csv = dir.filePath(QStringLiteral("summary.csv"));
    const QString png = dir.filePath(QStringLiteral("summary.png"));
    const ProgramRun run = runProgram(
        analyzePath, {QStringLiteral("summary"), dir.filePath(QStringLiteral("a")),
                      dir.filePath(QStringLiteral("b.csv")), dir.filePath(QStringLiteral("c.csv")),
                      dir.filePath(QStringLiteral("d.csv")), QStringLiteral("--csv"), csv,
                      QStringLiteral("--png"), png});
    QCOMPARE(run.exitCode, 0);

    // Worked by hand: generation 1's average1 over 1, 2, 4, 10 has its lower
    // quartile at position 3 x 0.25 = 0.75 of the sorted values, 1 + 0.75 x 1;
    // its median at 1.5, 2 + 0.5 x 2; its upper quartile at 2.25, 4 + 0.25 x 6.
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("generation,seeds,"
                        "average1_min,average1_q1,average1_median,average1_q3,average1_max,"
                        "average2_min,average2_q1,average2_median,average2_q3,average2_max,"
                        "best1_min,best1_q1,best1_median,best1_q3,best1_max,"
                        "best2_min,best2_q1,best2_median,best2_q3,best2_max\n"
                        "1,4,1,1.75,3,5.5,10,0,1.5,3,5,8,10,10,10,10.5,12,20,20,21,24,30\n"
                        "2,3,3,4,5,7,9,1,2.5,4,5,6,30,30,30,32.5,35,40,40,40,42,44\n"
                        "3,1,7,7,7,7,7,8,8,8,8,8,50,50,50,50,50,60,60,60,60,60\n"));

    const QImage chart(png);
    QCOMPARE(chart.size(), QSize(fitnessPlotWidth, fitnessPlotHeight));
    // The legend shows the colour too: look inside population 1's panel only.
    const QRect panel = fitnessPanelArea(1);
    const QRgb median = fitnessSeriesColor(FitnessSeries::average1).rgb();
    bool medianDrawn = false;
    for (int y = panel.top(); y <= panel.bottom() && !medianDrawn; ++y)
        for (int x = panel.left(); x <= panel.right() && !medianDrawn; ++x)
            medianDrawn = chart.pixel(x, y) == median;
    QVERIFY(medianDrawn);
}

QTEST_GUILESS_MAIN(AnalyzeTest)
#include "AnalyzeTest.moc"
