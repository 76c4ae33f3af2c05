// coevolife-batch as a user runs it: arguments, exact output, run boundaries,
// replays and the two termination signals. The runner is also driven in
// process where the outside cannot place an event exactly.
#include "RecordsTestSupport.h"
#include "batch/BatchRunner.h"
#include "batch/BatchSession.h"
#include "board/MatchPool.h"
#include "evolution/LifegameThread.h"
#include "evolution/PoolMatchRunner.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"
#include "records/EvolutionRun.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <random>
#include <sys/types.h>

namespace
{

constexpr int runTimeoutMs = 300000;

// The batch keeps the worker's debug line ("running..." at the start of every
// run) to itself; Qt's logging rules bring it back.
QProcessEnvironment withDebugLine()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true"));
    return environment;
}

// Empty unless every line of `out` is complete and the lines are the
// progress lines 1 to n in order with "stopped" exactly after the generations
// listed in `stopsAfter`; otherwise the first fault found.
QString layoutFault(const QByteArray& out, const QList<int>& stopsAfter)
{
    if (out.isEmpty() || !out.endsWith('\n'))
        return QStringLiteral("output does not end with a line end");
    const QList<QByteArray> lines = out.chopped(1).split('\n');
    const QRegularExpression& progress = progressLinePattern();
    int generation = 0;
    QList<int> stops;
    for (const QByteArray& line : lines) {
        if (line == stoppedLine.toUtf8()) {
            if (generation == 0 || (!stops.isEmpty() && stops.last() == generation))
                return QStringLiteral("\"stopped\" without a generation before it");
            stops << generation;
            continue;
        }
        const QRegularExpressionMatch match = progress.match(QString::fromUtf8(line));
        if (!match.hasMatch())
            return QStringLiteral("not a progress line: ") + QString::fromUtf8(line);
        if (match.captured(1).toInt() != generation + 1)
            return QStringLiteral("generation out of order: ") + QString::fromUtf8(line);
        ++generation;
    }
    if (stops != stopsAfter) {
        QStringList numbers;
        for (int stop : stops)
            numbers << QString::number(stop);
        return QStringLiteral("\"stopped\" after generations ") + numbers.join(QLatin1Char(' '));
    }
    return QString();
}

} // namespace

class BatchTest : public QObject
{
    Q_OBJECT

private slots:
    void badArgumentsExitWithOneLine_data();
    void badArgumentsExitWithOneLine();
    void helpPrintsUsage_data();
    void helpPrintsUsage();

    void seededRunMatchesPinnedOutput();
    void sameSeedGivesSameOutput();
    void clockSeedIsReportedAndReplays();
    void runsRestartEveryHundredGenerations_data();
    void runsRestartEveryHundredGenerations();

    void terminationSignalFinishesGeneration_data();
    void terminationSignalFinishesGeneration();
    void interruptBetweenRunsStartsNoRun();
    void runnerKeepsToSourcesOfItsOwn();
    void checkpointOfRunResumesAlike();
    void sessionInProcessRecordsAsProgram();
    void extremeSeedsAndSingleGeneration_data();
    void extremeSeedsAndSingleGeneration();
    void signalAtRandomMoment_data();
    void signalAtRandomMoment();
};

void BatchTest::badArgumentsExitWithOneLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    // A piece of text the message must contain to name the problem, or, from
    // the program's name on, the whole line.
    QTest::addColumn<QString>("named");

    QTest::newRow("unknown option") << QStringList{"--speed", "3"} << "speed";
    QTest::newRow("unknown short option") << QStringList{"-x"} << "x";
    QTest::newRow("seed without value") << QStringList{"--seed"} << "--seed";
    QTest::newRow("generations without value") << QStringList{"--generations"} << "--generations";
    QTest::newRow("seed empty") << QStringList{"--seed="} << "--seed";
    QTest::newRow("seed negative") << QStringList{"--seed", "-1"} << "-1";
    QTest::newRow("seed with plus sign") << QStringList{"--seed", "+1"} << "+1";
    QTest::newRow("seed with leading space") << QStringList{"--seed", " 1"} << "--seed";
    QTest::newRow("seed with trailing space") << QStringList{"--seed", "1 "} << "--seed";
    QTest::newRow("seed hexadecimal") << QStringList{"--seed", "0x10"} << "0x10";
    QTest::newRow("seed fraction") << QStringList{"--seed", "1.5"} << "1.5";
    QTest::newRow("seed not a number") << QStringList{"--seed", "abc"} << "abc";
    QTest::newRow("seed one past the range") << QStringList{"--seed", "4294967296"} << "4294967296";
    QTest::newRow("seed far past the range")
        << QStringList{"--seed", "18446744073709551617"} << "18446744073709551617";
    QTest::newRow("seed twice") << QStringList{"--seed", "1", "--seed", "2"} << "--seed";
    QTest::newRow("generations zero") << QStringList{"--generations", "0"} << "--generations";
    QTest::newRow("generations negative") << QStringList{"--generations", "-3"} << "-3";
    QTest::newRow("generations not a number") << QStringList{"--generations", "ten"} << "ten";
    QTest::newRow("generations with exponent") << QStringList{"--generations", "1e3"} << "1e3";
    QTest::newRow("generations past int")
        << QStringList{"--generations", "2147483648"} << "2147483648";
    // The analyzer's message is the same.
    for (const char* threads : {"0", "1025", "50000", "2000000000"})
        QTest::addRow("threads %s", threads)
            << QStringList{"--threads", threads}
            << QStringLiteral("--threads '%1' is not a whole number from 1 to 1024").arg(threads);
    QTest::newRow("threads with board threads")
        << QStringList{"--board-threads", "--threads", "2"} << "--board-threads";
    // The configuration's own checks are tested with its reader; these reach
    // the batch's error line, which points to the keys.
    QTest::newRow("setting out of range")
        << QStringList{"--seed", "1", "--set", "board.width=5000"}
        << "coevolife-batch: --set board.width=5000: board.width: 5000 is out of range 1 to 4096 "
           "(see 'coevolife-batch --print-config' for every key)";
    QTest::newRow("configuration missing")
        << QStringList{"--seed", "1", "--config", "no-such.toml"}
        << "coevolife-batch: no-such.toml: No such file or directory (see 'coevolife-batch "
           "--print-config' for every key)";
    QTest::newRow("positional argument") << QStringList{"--seed", "1", "extra"} << "extra";
    QTest::newRow("positional after --") << QStringList{"--", "--seed"} << "--seed";
    QTest::newRow("resume empty") << QStringList{"--resume="} << "--resume";
    QTest::newRow("checkpoint twice")
        << QStringList{"--checkpoint", "a", "--checkpoint", "b"} << "--checkpoint";
    QTest::newRow("checkpoint-info with a run option")
        << QStringList{"--checkpoint-info", "a", "--generations", "3"} << "--generations";

    // Text from outside in the line, quoted: never a control character a
    // terminal would obey.
    const QString hostile = hostileText();
    const QString quoted = quotedHostileText();
    const QString help = QStringLiteral(" (see 'coevolife-batch --help')");
    const QString keys = QStringLiteral(" (see 'coevolife-batch --print-config' for every key)");
    const QString missing = QStringLiteral("/nonexistent-coevolife/");
    const std::pair<const char*, const char*> numbers[] = {{"--seed", "0 to 4294967295"},
                                                           {"--generations", "1 to 2147483647"},
                                                           {"--threads", "1 to 1024"}};
    for (const auto& [option, range] : numbers)
        QTest::addRow("hostile %s", option)
            << QStringList{QLatin1String(option), hostile}
            << QStringLiteral("coevolife-batch: %1 '%2' is not a whole number from %3")
                       .arg(QLatin1String(option), quoted, QLatin1String(range)) +
                   help;
    QTest::newRow("hostile unknown option")
        << QStringList{QStringLiteral("--") + hostile}
        << QStringLiteral("coevolife-batch: Unknown option '%1'").arg(quoted) + help;
    QTest::newRow("hostile positional argument")
        << QStringList{hostile}
        << QStringLiteral("coevolife-batch: unexpected argument '%1'").arg(quoted) + help;
    QTest::newRow("hostile --csv folder")
        << QStringList{"--csv", missing + hostile + "/f.csv"}
        << QStringLiteral("coevolife-batch: --csv %1%2/f.csv: folder %1%2 does not exist")
               .arg(missing, quoted);
    QTest::newRow("hostile --plot name")
        << QStringList{"--plot", missing + hostile + ".png"}
        << QStringLiteral("coevolife-batch: --plot %1%2.png: folder /nonexistent-coevolife does "
                          "not exist")
               .arg(missing, quoted);
    for (const char* option : {"--resume", "--checkpoint-info"})
        QTest::addRow("hostile %s", option)
            << QStringList{QLatin1String(option), missing + hostile}
            << QStringLiteral("coevolife-batch: %1%2: cannot read: No such file or directory")
                   .arg(missing, quoted);
    QTest::newRow("hostile --config")
        << QStringList{"--config", missing + hostile}
        << QStringLiteral("coevolife-batch: %1%2: No such file or directory").arg(missing, quoted) +
               keys;
    QTest::newRow("hostile --set")
        << QStringList{"--set", hostile}
        << QStringLiteral("coevolife-batch: --set %1: expected key=value").arg(quoted) + keys;
}

void BatchTest::badArgumentsExitWithOneLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);

    const ProgramRun result = runBatch(arguments);
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(result.err.endsWith('\n') && result.err.count('\n') == 1, result.err.constData());
    QCOMPARE(controlCharacterIn(result.err), QString());
    if (named.startsWith(QStringLiteral("coevolife-batch: "))) {
        QCOMPARE(QString::fromUtf8(result.err), named + QLatin1Char('\n'));
        return;
    }
    QVERIFY2(result.err.contains("--help"), result.err.constData());
    QVERIFY2(result.err.contains(named.toUtf8()), result.err.constData());
}

void BatchTest::helpPrintsUsage_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("long") << "--help";
    QTest::newRow("short") << "-h";
}

void BatchTest::helpPrintsUsage()
{
    QFETCH(QString, option);

    const ProgramRun result = runBatch({QStringLiteral("--seed"), QStringLiteral("1"), option});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.contains("Usage:"));
    QVERIFY(result.out.contains("--seed"));
    QVERIFY(result.out.contains("--generations"));
    // Help runs nothing.
    QVERIFY(!result.out.contains("generation1 "));
    QCOMPARE(result.err, QByteArray());
}

void BatchTest::seededRunMatchesPinnedOutput()
{
    const QByteArray expected = referenceBytes(QStringLiteral("seed12345-generations3.txt"));
    QVERIFY(!expected.isEmpty());

    // The plot brings up the GUI application, whose start must be quiet too,
    // also where no runtime folder is set.
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    const ProgramRun result =
        runBatch({"--seed", "12345", "--generations", "3", "--plot", dir.filePath("fitness.png")},
                 environment);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, expected);
    // Nothing on standard error: no debug line, no warning, and a given seed
    // is not echoed.
    QCOMPARE(result.err, QByteArray());
}

void BatchTest::sameSeedGivesSameOutput()
{
    const QStringList arguments{"--seed", "4242", "--generations", "4"};
    const ProgramRun first = runBatch(arguments);
    const ProgramRun second = runBatch(arguments);
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(layoutFault(first.out, {4}), QString());
    QCOMPARE(second.out, first.out);

    // The seed really reaches the random sources.
    const ProgramRun otherSeed = runBatch({"--seed", "4243", "--generations", "4"});
    QCOMPARE(otherSeed.exitCode, 0);
    QVERIFY(otherSeed.out != first.out);
}

void BatchTest::clockSeedIsReportedAndReplays()
{
    const ProgramRun unseeded = runBatch({"--generations", "2"});
    QCOMPARE(unseeded.exitCode, 0);
    QCOMPARE(layoutFault(unseeded.out, {2}), QString());

    static const QRegularExpression seedLine(QStringLiteral("^seed (\\d+)$"),
                                             QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = seedLine.match(QString::fromUtf8(unseeded.err));
    QVERIFY2(match.hasMatch(), unseeded.err.constData());

    const ProgramRun replay = runBatch({"--seed", match.captured(1), "--generations", "2"});
    QCOMPARE(replay.exitCode, 0);
    QCOMPARE(replay.out, unseeded.out);
}

void BatchTest::runsRestartEveryHundredGenerations_data()
{
    QTest::addColumn<int>("generations");
    QTest::addColumn<QList<int>>("stopsAfter");

    QTest::newRow("one") << 1 << QList<int>{1};
    QTest::newRow("three") << 3 << QList<int>{3};
    QTest::newRow("exactly one run") << 100 << QList<int>{100};
    QTest::newRow("into the third run") << 205 << QList<int>{100, 200, 205};
}

void BatchTest::runsRestartEveryHundredGenerations()
{
    QFETCH(int, generations);
    QFETCH(QList<int>, stopsAfter);

    if (generations >= 100 && qEnvironmentVariableIsSet("COEVOLIFE_SKIP_LONG_TESTS"))
        QSKIP("COEVOLIFE_SKIP_LONG_TESTS is set");

    const ProgramRun result =
        runBatch({"--seed", "7", "--generations", QString::number(generations)}, withDebugLine());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(layoutFault(result.out, stopsAfter), QString());
    // One debug line per run, on standard error.
    QCOMPARE(result.err.count("running..."), stopsAfter.size());
}

void BatchTest::terminationSignalFinishesGeneration_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("SIGINT") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
}

void BatchTest::terminationSignalFinishesGeneration()
{
    QFETCH(int, signalNumber);
    QFETCH(int, exitCode);

    QProcess process;
    process.start(QStringLiteral(COEVOLIFE_BATCH_PATH),
                  {"--seed", "99", "--generations", "100000"});
    QVERIFY(process.waitForStarted());
    QByteArray out;
    while (!out.contains('\n')) {
        QVERIFY(process.waitForReadyRead(runTimeoutMs));
        out += process.readAllStandardOutput();
    }
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signalNumber), 0);
    const ProgramRun run = finishedRun(process, runTimeoutMs);
    out += run.out;

    QCOMPARE(run.exitCode, exitCode);
    // Whatever generation was in progress, it is reported whole, then
    // "stopped" ends the output.
    const int lastGeneration = out.count('\n') - 1;
    QVERIFY(lastGeneration >= 1);
    QCOMPARE(layoutFault(out, {lastGeneration}), QString());
}

void BatchTest::interruptBetweenRunsStartsNoRun()
{
    // Which runner plays the matches does not matter here; the pool's is the
    // quick one under the sanitizers.
    std::string failure;
    const std::unique_ptr<MatchPool> pool = MatchPool::start(2, failure);
    QVERIFY2(pool, failure.c_str());
    PoolMatchRunner poolRunner(*pool);
    BatchRunner runner(5, 150);
    runner.useMatchRunner(&poolRunner);
    QStringList lines;
    connect(&runner, &BatchRunner::lineReady, this, [&](const QString& line) {
        lines << line;
        // The first run has ended; its thread may still be winding down.
        if (line == stoppedLine && lines.size() == 101)
            runner.interrupt(130);
    });
    QSignalSpy finished(&runner, &BatchRunner::finished);
    runner.start();
    QVERIFY(finished.wait(runTimeoutMs));

    QCOMPARE(finished.first().first().toInt(), 130);
    QCOMPARE(lines.size(), 101);
    QCOMPARE(lines.last(), stoppedLine);
    QVERIFY(!runner.isPlaying());
    QCOMPARE(runner.run().evolution().generations(), 100);
}

void BatchTest::runnerKeepsToSourcesOfItsOwn()
{
    const QByteArray expected = referenceBytes(QStringLiteral("seed12345-generations3.txt"));
    QVERIFY(!expected.isEmpty());
    const std::string windowSources = randomSourcesState();
    BatchRunner runner(12345, 3);
    QByteArray out;
    connect(&runner, &BatchRunner::lineReady, this,
            [&](const QString& line) { out += line.toUtf8() + '\n'; });
    QSignalSpy finished(&runner, &BatchRunner::finished);
    runner.start();
    QVERIFY(finished.wait(runTimeoutMs));
    QCOMPARE(out, expected);
    // The window's pair is neither reseeded nor drawn from.
    QVERIFY(randomSourcesState() == windowSources);
}

void BatchTest::checkpointOfRunResumesAlike()
{
    std::string failure;
    const std::unique_ptr<MatchPool> pool = MatchPool::start(2, failure);
    QVERIFY2(pool, failure.c_str());
    PoolMatchRunner poolRunner(*pool);
    // Across the end of a run of 100, where the next run begins, with halls
    // of fame to carry over.
    EvolutionRun played(7, oddExperiment());
    for (int generation = 1; generation <= 99; ++generation)
        played.playNext(poolRunner);
    const Checkpoint saved = played.checkpoint();
    QVERIFY(saved.config == oddExperiment());
    QCOMPARE(saved.seed, 7u);
    QCOMPARE(saved.generationsAsked, 99);
    const std::unique_ptr<EvolutionRun> resumed = EvolutionRun::resumed(saved);
    QVERIFY(resumed);
    for (int generation = 100; generation <= 101; ++generation) {
        const QString line = progressLine(played.playNext(poolRunner));
        QCOMPARE(progressLine(resumed->playNext(poolRunner)), line);
        QCOMPARE(resumed->runComplete(), played.runComplete());
        QCOMPARE(played.runComplete(), generation == 100);
    }
    Checkpoint unreadable = saved;
    unreadable.randomSources = "not a state";
    QVERIFY(!EvolutionRun::resumed(unreadable));
}

void BatchTest::sessionInProcessRecordsAsProgram()
{
    QTemporaryDir dir;
    const QString inProcess = dir.filePath(QStringLiteral("session.csv"));
    const QString program = dir.filePath(QStringLiteral("program.csv"));
    const QStringList run = {"--seed", "12345", "--generations", "3", "--csv"};
    QCOMPARE(BatchSession(QStringList{"coevolife-batch"} + run + QStringList{inProcess}).run(), 0);
    QCOMPARE(runBatch(run + QStringList{program}).exitCode, 0);
    const QByteArray recorded = fileBytes(inProcess);
    QVERIFY(!recorded.isEmpty());
    QCOMPARE(recorded, fileBytes(program));
}

void BatchTest::extremeSeedsAndSingleGeneration_data()
{
    QTest::addColumn<QString>("seed");
    QTest::newRow("smallest seed") << QStringLiteral("0");
    QTest::newRow("largest seed") << QStringLiteral("4294967295");
}

void BatchTest::extremeSeedsAndSingleGeneration()
{
    QFETCH(QString, seed);
    const ProgramRun result = runBatch({"--seed", seed, "--generations", "1"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(layoutFault(result.out, {1}), QString());
    QCOMPARE(runBatch({"--seed", seed, "--generations", "1"}).out, result.out);
}

void BatchTest::signalAtRandomMoment_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("delayMs");

    // Delays after the run has started: inside the first generation, between
    // lines, or later in the run.
    std::mt19937 delays(11);
    std::uniform_int_distribution<int> delay(0, 400);
    for (int i = 0; i < 4; ++i) {
        const int ms = delay(delays);
        QTest::addRow("SIGINT after %d ms", ms) << int(SIGINT) << 130 << ms;
        const int other = delay(delays);
        QTest::addRow("SIGTERM after %d ms", other) << int(SIGTERM) << 143 << other;
    }
}

void BatchTest::signalAtRandomMoment()
{
    QFETCH(int, signalNumber);
    QFETCH(int, exitCode);
    QFETCH(int, delayMs);

    QProcess process;
    process.setProcessEnvironment(withDebugLine());
    process.start(QStringLiteral(COEVOLIFE_BATCH_PATH),
                  {"--seed", "31", "--generations", "100000"});
    QVERIFY(process.waitForStarted());
    // The debug line says the signals are being watched and a run is on.
    process.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains("running...")) {
        QVERIFY(process.waitForReadyRead(runTimeoutMs));
        err += process.readAllStandardError();
    }
    QTest::qWait(delayMs);
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signalNumber), 0);
    const ProgramRun run = finishedRun(process, runTimeoutMs);
    const QByteArray out = run.out;

    QCOMPARE(run.exitCode, exitCode);
    const int lastGeneration = int(out.count('\n') - out.count("stopped\n"));
    QVERIFY2(lastGeneration >= 1, out.constData());
    // A fast machine may pass the end of a run of 100 before the signal.
    QList<int> stops;
    for (int generation = 100; generation < lastGeneration; generation += 100)
        stops << generation;
    QCOMPARE(layoutFault(out, stops << lastGeneration), QString());
}

QTEST_GUILESS_MAIN(BatchTest)
#include "BatchTest.moc"
