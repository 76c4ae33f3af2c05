// coevolife-analyze against results computed independently of this code,
// the pool against the worker's way of playing a match, and Ctrl-C.
#include "TestSupport.h"
#include "analysis/ChampionGrid.h"
#include "board/Match.h"
#include "experiments/ArchiveReader.h"

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

QString patternBits(PackedPattern pattern)
{
    QString bits;
    for (int i = 0; i < patternCells; ++i)
        bits += (pattern >> i) & 1u ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

} // namespace

class AnalyzeTest : public QObject
{
    Q_OBJECT

private slots:
    void seededRunMatchesReference();
    void gridCellsAreTheWorkersMatches();
    void interruptWritesNothing();
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
    std::vector<PackedPattern> champions1(12);
    std::vector<PackedPattern> champions2(9);
    for (PackedPattern& champion : champions1)
        champion = random() % 3 == 0 ? champions1.front() : random() >> 16;
    for (PackedPattern& champion : champions2)
        champion = random() % 3 == 0 ? champions2.front() : random() >> 16;
    ChampionGrid grid(champions1, champions2);
    playGrid(grid, 3);

    // The worker's path: the board's own thread started and waited for.
    StepThread board;
    prepareMatchBoard(board);
    for (int i = 0; i < grid.size1(); ++i)
        for (int j = 0; j < grid.size2(); ++j) {
            setUpMatch(board, unpackPattern(champions1[i]), unpackPattern(champions2[j]));
            board.start();
            board.wait();
            const MatchResult result = matchResult(board);
            COMPARE_EXACTLY(grid.at(i, j).score1, static_cast<float>(result.firstScore()));
            COMPARE_EXACTLY(grid.at(i, j).score2, static_cast<float>(result.secondScore()));
        }
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

QTEST_GUILESS_MAIN(AnalyzeTest)
#include "AnalyzeTest.moc"
