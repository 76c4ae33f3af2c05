// The generation cycle: progress lines, runs and stop requests, the debug
// line, and one generation replayed against the pinned champions to the last
// bit.
#include "TestSupport.h"
#include "board/Match.h"
#include "board/StepThread.h"
#include "evolution/Breeding.h"
#include "evolution/Evolution.h"
#include "evolution/LifegameThread.h"
#include "evolution/MatchBoardsRunner.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace
{

// The worker writes its debug line on its own thread.
std::unique_ptr<MessageCatcher> runningLines;

QStringList takeDebugLines()
{
    return runningLines->take();
}

// Plays every match, then gives the generation up.
class GivingUpRunner : public MatchRunner
{
public:
    void play(const MatchLayout& layout, const std::vector<MatchOrder>& orders,
              std::vector<MatchResult>& results) override
    {
        boards.play(layout, orders, results);
        throw std::runtime_error("given up");
    }

private:
    MatchBoardsRunner boards;
};

struct RunRecord {
    QStringList lines;
    std::vector<float> best1;
    std::vector<float> best2;
};

// Runs the worker to its end. With stopAtLine n > 0 a stop is requested (twice,
// which must act as once) while generation n of this run is being reported.
RunRecord runWorker(LifegameThread& worker, int stopAtLine)
{
    RunRecord record;
    int progressLines = 0;
    const QMetaObject::Connection connection = QObject::connect(
        &worker, &LifegameThread::sendMessage, &worker,
        [&](const QString& line) {
            record.lines << line;
            if (line == stoppedLine)
                return;
            // Runs with the worker's mutex held, so the records are those
            // of the generation just reported.
            record.best1.push_back(worker.evolution().bestScoreOf(1));
            record.best2.push_back(worker.evolution().bestScoreOf(2));
            if (++progressLines == stopAtLine) {
                worker.requestStop();
                worker.requestStop();
            }
        },
        Qt::DirectConnection);
    worker.start();
    worker.wait();
    QObject::disconnect(connection);
    return record;
}

} // namespace

class GenerationCycleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void progressLineFormat_data();
    void progressLineFormat();
    void seededRunReproducesReference();
    void stopDuringGenerationEndsRun();
    void firstGenerationMatchesIndependentReplay();
    void hallOfFameMatchesIndependentReplay();
    void fullRunReportsHundredGenerations();
};

void GenerationCycleTest::initTestCase()
{
    runningLines = std::make_unique<MessageCatcher>([](QtMsgType type, const QString& text) {
        return type == QtDebugMsg && text.startsWith(QStringLiteral("running..."));
    });
}

void GenerationCycleTest::cleanupTestCase()
{
    runningLines.reset();
}

void GenerationCycleTest::progressLineFormat_data()
{
    QTest::addColumn<int>("generation");
    QTest::addColumn<float>("sum1");
    QTest::addColumn<float>("sum2");
    QTest::addColumn<float>("best1");
    QTest::addColumn<float>("best2");
    QTest::addColumn<QString>("expected");
    QTest::newRow("worked example") << 7 << 805.0f << 709.0f << 41.25f << 12.5f
                                    << "generation7 average : 2.0125, 1.7725,, 41.25, 12.5";
    QTest::newRow("all zero") << 1 << 0.0f << 0.0f << 0.0f << 0.0f
                              << "generation1 average : 0, 0,, 0, 0";
    QTest::newRow("every member scores 4")
        << 12 << 400.0f << 4000.0f << 4.0f << 40.0f << "generation12 average : 1, 10,, 4, 40";
    // Six significant digits, and the float widened before dividing.
    QTest::newRow("six digits") << 100 << 1234.5678f << 0.1f << 157.65f << 1e7f
                                << "generation100 average : 3.08642, 0.00025,, 157.65, 1e+07";
}

void GenerationCycleTest::progressLineFormat()
{
    QFETCH(int, generation);
    QFETCH(float, sum1);
    QFETCH(float, sum2);
    QFETCH(float, best1);
    QFETCH(float, best2);
    QFETCH(QString, expected);
    QCOMPARE(progressLine(generation, sum1, sum2, best1, best2), expected);
}

void GenerationCycleTest::seededRunReproducesReference()
{
    const QByteArray expected = referenceBytes(QStringLiteral("seed12345-generations3.txt"));
    QVERIFY(!expected.isEmpty());

    reseedRandomSources(12345u);
    LifegameThread worker;
    takeDebugLines();
    const RunRecord record = runWorker(worker, 3);
    const QByteArray observed = (record.lines.join(u'\n') + u'\n').toUtf8();
    for (const QString& line : record.lines)
        qInfo("%s", qPrintable(line));
    QCOMPARE(observed, expected);
    QCOMPARE(takeDebugLines(), QStringList{QStringLiteral("running... 0")});
    for (std::size_t i = 1; i < record.best1.size(); ++i) {
        QVERIFY(record.best1[i] >= record.best1[i - 1]);
        QVERIFY(record.best2[i] >= record.best2[i - 1]);
    }

    // Two evolutions with sources of their own, played turn about on this
    // thread, print the same lines and leave the process-wide sources alone;
    // every generation of the second is first given up by a runner that
    // plays all its matches and then throws, as a cancel would, and is then
    // played again.
    const std::string processWide = randomSourcesState();
    OwnRandomSources sourcesA(12345u), sourcesB(12345u);
    Evolution evolutionA(ExperimentConfig(), sourcesA.sources());
    Evolution evolutionB(ExperimentConfig(), sourcesB.sources());
    MatchBoardsRunner runner;
    GivingUpRunner givingUp;
    QStringList linesA, linesB;
    for (int generation = 0; generation < 3; ++generation) {
        linesA << progressLine(evolutionA.playGeneration(runner));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, evolutionB.playGeneration(givingUp));
        QCOMPARE(evolutionB.generations(), generation);
        linesB << progressLine(evolutionB.playGeneration(runner));
    }
    QCOMPARE(linesA, record.lines.mid(0, 3));
    QCOMPARE(linesB, linesA);
    QCOMPARE(randomSourcesState(), processWide);
}

void GenerationCycleTest::stopDuringGenerationEndsRun()
{
    reseedRandomSources(4u);
    LifegameThread worker;
    takeDebugLines();

    // Stopped while generation 2 is reported: that line, then "stopped".
    RunRecord record = runWorker(worker, 2);
    QCOMPARE(record.lines.size(), 3);
    QVERIFY(record.lines[0].startsWith(QStringLiteral("generation1 average : ")));
    QVERIFY(record.lines[1].startsWith(QStringLiteral("generation2 average : ")));
    QCOMPARE(record.lines[2], QStringLiteral("stopped"));
    QVERIFY(!worker.isStopRequested());
    QCOMPARE(worker.evolution().generations(), 2);

    // Even count so far: the next run starts from buffer 0 and goes on at 3.
    record = runWorker(worker, 1);
    QCOMPARE(record.lines.size(), 2);
    QVERIFY(record.lines[0].startsWith(QStringLiteral("generation3 average : ")));
    QCOMPARE(record.lines[1], QStringLiteral("stopped"));

    // Odd count: buffer 100. A stop left over from before the start ends the
    // run after its first generation, since the worker itself keeps it.
    worker.requestStop();
    record = runWorker(worker, 0);
    QCOMPARE(record.lines.size(), 2);
    QVERIFY(record.lines[0].startsWith(QStringLiteral("generation4 average : ")));
    QCOMPARE(worker.evolution().bufferOffset(), 0);

    QCOMPARE(takeDebugLines(),
             (QStringList{QStringLiteral("running... 0"), QStringLiteral("running... 0"),
                          QStringLiteral("running... 100")}));
}

// Generation 1 of seed 12345 against the pinned champions, and its breeding
// replayed through the operators from the generation's own report.
void GenerationCycleTest::firstGenerationMatchesIndependentReplay()
{
    OwnRandomSources own(12345u);
    Evolution evolution(ExperimentConfig(), own.sources());
    boost::mt19937 integers = own.sources().integer;
    RealSource reals = own.sources().real;
    MatchBoardsRunner runner;
    const GenerationReport report = evolution.playGeneration(runner);

    // The champions, the lowest index on a tie, and their scores are the
    // pinned ones to the last printed digit.
    const QStringList pinned =
        QString::fromUtf8(referenceBytes(QStringLiteral("seed12345-champions10.txt")))
            .section(QLatin1Char('\n'), 0, 0)
            .split(QLatin1Char(' '));
    QCOMPARE(pinned.size(), 5);
    QString champions = QStringLiteral("1");
    for (int p = 0; p < 2; ++p) {
        const std::vector<float>& scores = report.scores[p];
        QCOMPARE(report.champions[p],
                 int(std::max_element(scores.begin(), scores.end()) - scores.begin()));
        QString cells;
        for (int cell : report.populations[p][report.champions[p]])
            cells += QLatin1Char(cell ? '1' : '0');
        champions += QLatin1Char(' ') + cells + QLatin1Char(' ') +
                     QString::asprintf("%.9g", double(report.championScore(p + 1)));
        COMPARE_EXACTLY(evolution.bestScoreOf(p + 1), report.championScore(p + 1));
        QVERIFY(report.bestPatterns[p] == report.populations[p][report.champions[p]]);
    }
    QCOMPARE(champions, pinned.join(QLatin1Char(' ')));

    // Sums and selection tables step in double, rounded once to float when
    // stored; single-precision steps would give other tables for this seed.
    int differing = 0;
    for (int p = 0; p < 2; ++p) {
        const std::vector<float>& scores = report.scores[p];
        float sum = 0.0f;
        for (float score : scores)
            sum = static_cast<float>(double(sum) + double(score));
        COMPARE_EXACTLY(report.scoreSums[p], sum);
        COMPARE_EXACTLY(evolution.scoreSumOf(p + 1), sum);
        const std::vector<float>& table = evolution.selectionTableOf(p + 1);
        float exact = 0.0f, careless = 0.0f;
        for (int k = 0; k < 100; ++k) {
            exact = static_cast<float>(double(scores[k]) / double(sum) + double(exact));
            careless = scores[k] / sum + careless;
            COMPARE_EXACTLY(table[k], exact);
            differing += careless != exact;
        }
    }
    QVERIFY2(differing > 0, "seed does not separate double-step from float arithmetic");

    // Breeding: the children in slots 100..199, drawn from the real stream
    // after nothing else and from the integer stream after the 800 pairings.
    integers.discard(800);
    const RandomSources replay{integers, reals};
    int crossovers = 0, mutations = 0;
    for (int p = 0; p < 2; ++p) {
        const std::vector<float>& table = evolution.selectionTableOf(p + 1);
        std::vector<Pattern> parents;
        for (const GenerationReport::Cells& cells : report.populations[p]) {
            parents.push_back(makePattern());
            std::copy(cells.begin(), cells.end(), parents.back().get());
        }
        for (int k = 0; k < 100; ++k) {
            const Pattern& parent = parents[rouletteSelect(table.data(), roundedRealDraw(replay))];
            const Pattern child = makePattern();
            const BreedingOperator chosen = chooseOperator(roundedRealDraw(replay));
            if (chosen == BreedingOperator::Mutation) {
                ++mutations;
                mutate(replay, parent, child, mutationRate);
            } else if (chosen == BreedingOperator::Crossover) {
                ++crossovers;
                crossover(replay, parent, child,
                          parents[rouletteSelect(table.data(), roundedRealDraw(replay))]);
            } else {
                copyPattern(parent, child);
            }
            const Pattern bred = evolution.slotOf(p + 1, 100 + k);
            if (!std::equal(child.get(), child.get() + patternCells, bred.get()))
                QFAIL(qPrintable(QStringLiteral("population %1 child %2").arg(p + 1).arg(k)));
        }
    }
    QVERIFY(crossovers > 0 && mutations > 0 && crossovers + mutations < 200);
    QVERIFY(integers == own.sources().integer);
    QVERIFY(reals.engine() == own.sources().real.engine());
}

void GenerationCycleTest::hallOfFameMatchesIndependentReplay()
{
    ExperimentConfig config;
    config.populationSize = 7;
    config.match = {30, 12, 40, {4, 3}, 0, 0, 10, 4};
    config.matchesPerGeneration = 9;
    config.hallOfFame = 3;
    reseedRandomSources(77u);
    LifegameThread worker(config);
    std::vector<GenerationReport> reports;
    QObject::connect(
        &worker, &LifegameThread::generationPlayed, &worker,
        [&reports](const GenerationReport& report) { reports.push_back(report); },
        Qt::DirectConnection);
    // Three generations fill each hall with three champions.
    worker.stopAfterGeneration(3);
    worker.start();
    QVERIFY(worker.wait(60000));
    QCOMPARE(reports.size(), std::size_t{3});
    std::array<std::vector<Pattern>, 2> halls;
    for (const GenerationReport& report : reports)
        for (int p = 0; p < 2; ++p) {
            const std::vector<int>& cells = report.populations[p][report.champions[p]];
            halls[p].push_back(makePattern(12));
            std::copy(cells.begin(), cells.end(), halls[p].back().get());
        }

    // Generation 4 played alone: the 9 pairings, then each population-1
    // member's 3 champions of population 2, then population 2's; the sums
    // in that order, and the means over all of a member's matches.
    boost::mt19937 integers = integerSource;
    std::vector<std::pair<int, int>> pairs;
    for (int k = 0; k < 9; ++k) {
        const int a = static_cast<int>(integers() % 7u);
        pairs.emplace_back(a, static_cast<int>(integers() % 7u));
    }
    std::vector<int> drawn1, drawn2;
    for (int k = 0; k < 7 * 3; ++k)
        drawn1.push_back(static_cast<int>(integers() % 3u));
    for (int k = 0; k < 7 * 3; ++k)
        drawn2.push_back(static_cast<int>(integers() % 3u));
    const int offset = worker.evolution().bufferOffset();
    Board board;
    std::array<std::array<double, 7>, 2> sums{};
    std::array<std::array<int, 7>, 2> played{};
    auto add = [&](int p, int member, double score) {
        sums[p][member] = static_cast<float>(sums[p][member] + score);
        ++played[p][member];
    };
    for (const auto& [a, b] : pairs) {
        const MatchResult r = playMatch(board, worker.evolution().slotOf(1, offset + a),
                                        worker.evolution().slotOf(2, offset + b), config.match);
        add(0, a, r.firstScore());
        add(1, b, r.secondScore());
    }
    for (int k = 0; k < 7 * 3; ++k)
        add(0, k / 3,
            playMatch(board, worker.evolution().slotOf(1, offset + k / 3), halls[1][drawn1[k]],
                      config.match)
                .firstScore());
    for (int k = 0; k < 7 * 3; ++k)
        add(1, k / 3,
            playMatch(board, halls[0][drawn2[k]], worker.evolution().slotOf(2, offset + k / 3),
                      config.match)
                .secondScore());
    QVERIFY2(std::set<int>(drawn1.begin(), drawn1.end()).size() > 1,
             "the hall draws should reach more than one champion");

    worker.stopAfterGeneration(4);
    worker.start();
    QVERIFY(worker.wait(60000));
    QCOMPARE(reports.size(), std::size_t{4});
    for (int p = 0; p < 2; ++p)
        for (int member = 0; member < 7; ++member)
            COMPARE_EXACTLY(reports.back().scores[p][member],
                            static_cast<float>(sums[p][member] / played[p][member]));
}

void GenerationCycleTest::fullRunReportsHundredGenerations()
{
    // 40,000 thread starts: minutes under the sanitizers, which skip it.
    if (qEnvironmentVariableIsSet("COEVOLIFE_SKIP_LONG_TESTS"))
        QSKIP("COEVOLIFE_SKIP_LONG_TESTS is set");
    reseedRandomSources(2024u);
    LifegameThread worker;
    QSignalSpy spy(&worker, &LifegameThread::sendMessage);
    const RunRecord record = runWorker(worker, 0);

    QCOMPARE(spy.count(), 101);
    for (int i = 0; i < 100; ++i)
        QVERIFY(spy.at(i).at(0).toString().startsWith(
            QStringLiteral("generation%1 average : ").arg(i + 1)));
    QCOMPARE(spy.at(100).at(0).toString(), QStringLiteral("stopped"));
    QCOMPARE(worker.evolution().generations(), 100);
    QCOMPARE(worker.evolution().bufferOffset(), 0);
    for (std::size_t i = 1; i < record.best1.size(); ++i) {
        QVERIFY(record.best1[i] >= record.best1[i - 1]);
        QVERIFY(record.best2[i] >= record.best2[i - 1]);
    }
}

QTEST_GUILESS_MAIN(GenerationCycleTest)
#include "GenerationCycleTest.moc"
