// The evolution worker as built: starting populations, member picks and
// teardown while a run is in progress.
#include "evolution/LifegameThread.h"
#include "random/RandomSources.h"

#include "evolution/ProgressLine.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace
{

std::vector<std::uint32_t> referenceOutputs(std::uint32_t seed, int count)
{
    std::mt19937 reference(seed);
    std::vector<std::uint32_t> outputs(static_cast<std::size_t>(count));
    for (std::uint32_t& output : outputs)
        output = reference();
    return outputs;
}

// Which buffer (0 or 100) of the population a picked member comes from.
int bufferOf(const LifegameThread& worker, int population, const Pattern& member)
{
    for (int slot = 0; slot < LifegameThread::slotCount; ++slot)
        if (worker.evolution().slotOf(population, slot).get() == member.get())
            return slot < LifegameThread::populationSize ? 0 : LifegameThread::populationSize;
    return -1;
}

// Plays exactly one generation: a run that finds a stop request after its
// first generation ends there.
void playOneGeneration(LifegameThread& worker)
{
    worker.requestStop();
    worker.start();
    QVERIFY(worker.wait());
}

} // namespace

class LifegameThreadTest : public QObject
{
    Q_OBJECT

private slots:
    void newWorkerStartsClean();
    void constructionDrawsCellsInOrder_data();
    void constructionDrawsCellsInOrder();
    void slotsAndBestPatternsOwnTheirStorage();
    void picksShareSlotsOfCurrentBuffer();
    void pickDuringRunWaitsOneGenerationAtMost();
    void destroyingRunningWorkerFinishesGeneration();
};

void LifegameThreadTest::newWorkerStartsClean()
{
    reseedRandomSources(3u);
    LifegameThread worker;
    QCOMPARE(worker.evolution().generations(), 0);
    QCOMPARE(worker.evolution().bufferOffset(), 0);
    QVERIFY(worker.evolution().bestScoreOf(1) == -1.0f);
    QVERIFY(worker.evolution().bestScoreOf(2) == -1.0f);
    QVERIFY(!worker.isStopRequested());
    QVERIFY(!worker.isRunning());
    for (int population = 1; population <= 2; ++population)
        for (int slot = 0; slot < 100; ++slot)
            for (int i = 0; i < patternCells; ++i) {
                const int cell = worker.evolution().slotOf(population, slot)[i];
                QVERIFY(cell == 0 || cell == 1);
            }
}

void LifegameThreadTest::constructionDrawsCellsInOrder_data()
{
    QTest::addColumn<std::uint32_t>("seed");
    QTest::newRow("1") << 1u;
    QTest::newRow("2") << 2u;
    QTest::newRow("12345") << 12345u;
    QTest::newRow("65537") << 65537u;
}

void LifegameThreadTest::constructionDrawsCellsInOrder()
{
    QFETCH(std::uint32_t, seed);
    const std::vector<std::uint32_t> outputs = referenceOutputs(seed, 9601);
    auto bit = [&](int position) { return static_cast<int>(outputs[position - 1] & 1u); };

    reseedRandomSources(seed);
    LifegameThread worker;
    const Pattern first0 = worker.evolution().slotOf(1, 0);
    const Pattern second0 = worker.evolution().slotOf(2, 0);
    QCOMPARE(first0[0], bit(1));               // (0, 0) of population 1
    QCOMPARE(second0[0], bit(2));              // (0, 0) of population 2
    QCOMPARE(first0[patternWidth], bit(3));    // (0, 1): rows inner
    QCOMPARE(second0[patternWidth], bit(4));   // (0, 1) of population 2
    QCOMPARE(first0[1], bit(13));              // (1, 0): after six rows
    QCOMPARE(first0[7 + 8 * 5], bit(95));      // last cell of member 0
    QCOMPARE(worker.evolution().slotOf(1, 1)[0], bit(97)); // member 1 begins
    QCOMPARE(worker.evolution().slotOf(2, 1)[0], bit(98));
    QCOMPARE(worker.evolution().slotOf(2, 99)[47], bit(9600));

    // Exactly 9,600 integer outputs, and none from the real source.
    QCOMPARE(integerSource(), outputs[9600]);
    QVERIFY(realSource() == std::ldexp(static_cast<double>(outputs[0]), -32));
}

void LifegameThreadTest::slotsAndBestPatternsOwnTheirStorage()
{
    reseedRandomSources(8u);
    LifegameThread worker;
    std::vector<const int*> arrays;
    for (int population = 1; population <= 2; ++population) {
        for (int slot = 0; slot < 200; ++slot)
            arrays.push_back(worker.evolution().slotOf(population, slot).get());
        arrays.push_back(worker.evolution().bestPatternOf(population).get());
    }
    std::sort(arrays.begin(), arrays.end());
    QVERIFY(std::adjacent_find(arrays.begin(), arrays.end()) == arrays.end());
    QVERIFY(arrays.front() != nullptr);
}

void LifegameThreadTest::picksShareSlotsOfCurrentBuffer()
{
    reseedRandomSources(21u);
    LifegameThread worker;

    boost::mt19937 upcoming = integerSource;
    std::uint32_t first = upcoming();
    std::uint32_t second = upcoming();
    Pattern pick1 = worker.randomMember1();
    Pattern pick2 = worker.randomMember2();
    QCOMPARE(pick1.get(), worker.evolution().slotOf(1, static_cast<int>(first % 100u)).get());
    QCOMPARE(pick2.get(), worker.evolution().slotOf(2, static_cast<int>(second % 100u)).get());

    // The next breeding writes the other buffer: the picked cells stay.
    std::vector<int> before(pick1.get(), pick1.get() + patternCells);
    playOneGeneration(worker);
    QCOMPARE(worker.evolution().bufferOffset(), 100);
    QCOMPARE(std::vector<int>(pick1.get(), pick1.get() + patternCells), before);

    upcoming = integerSource;
    first = upcoming();
    second = upcoming();
    pick1 = worker.randomMember1();
    pick2 = worker.randomMember2();
    QCOMPARE(pick1.get(), worker.evolution().slotOf(1, 100 + static_cast<int>(first % 100u)).get());
    QCOMPARE(pick2.get(), worker.evolution().slotOf(2, 100 + static_cast<int>(second % 100u)).get());
    QVERIFY(integerSource == upcoming);
}

void LifegameThreadTest::pickDuringRunWaitsOneGenerationAtMost()
{
    // Each pair of picks begins on a thread of its own while the worker
    // reports generation n, holding its mutex. It must have been made before
    // generation n + 2 begins: then, while generation n + 2 is reported, it
    // needs nothing more of the worker and returns. A pick still waiting for
    // the mutex cannot return while that report holds it.
    reseedRandomSources(5u);
    LifegameThread worker;
    const int pickCount = 6;
    std::vector<std::thread> picks;
    QSemaphore pickBegun;
    QSemaphore pickReturned;
    int begunIn = 0;
    QStringList failures;
    std::atomic<bool> pickedApart{false};
    QObject::connect(
        &worker, &LifegameThread::sendMessage, &worker,
        [&](const QString& line) {
            if (line == stoppedLine)
                return;
            const int generation = worker.evolution().generations();
            if (begunIn != 0 && generation == begunIn + 2) {
                if (!pickReturned.tryAcquire(1, 10000))
                    failures << QStringLiteral("a pick begun in generation %1 still waits in %2")
                                    .arg(begunIn)
                                    .arg(generation);
                begunIn = 0;
            }
            if (!failures.isEmpty() || (begunIn == 0 && int(picks.size()) == pickCount)) {
                worker.requestStop();
            } else if (begunIn == 0) {
                begunIn = generation;
                picks.emplace_back([&] {
                    pickBegun.release();
                    {
                        // As "R" picks: both members of one generation.
                        const LifegameThread::PickTurn turn(worker);
                        const Pattern member1 = worker.randomMember1();
                        const Pattern member2 = worker.randomMember2();
                        if (bufferOf(worker, 1, member1) != bufferOf(worker, 2, member2))
                            pickedApart = true;
                    }
                    pickReturned.release();
                });
                pickBegun.acquire();
            }
        },
        Qt::DirectConnection);
    worker.start();
    QVERIFY(worker.wait());
    for (std::thread& pick : picks)
        pick.join();
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'|')));
    QCOMPARE(int(picks.size()), pickCount);
    QVERIFY(!pickedApart);
}

void LifegameThreadTest::destroyingRunningWorkerFinishesGeneration()
{
    reseedRandomSources(77u);
    auto worker = std::make_unique<LifegameThread>();
    // Read only once the destructor has waited for the run.
    QStringList lines;
    QSemaphore firstLine;
    QObject::connect(
        worker.get(), &LifegameThread::sendMessage, worker.get(),
        [&](const QString& line) {
            lines << line;
            firstLine.release();
        },
        Qt::DirectConnection);
    worker->start();
    QVERIFY(firstLine.tryAcquire(1, 120000));

    QElapsedTimer timer;
    timer.start();
    worker.reset();
    // The destructor let the generation in progress end, then the run
    // reported "stopped"; it did not go on to further generations.
    QVERIFY2(lines.size() == 2 || lines.size() == 3, qPrintable(lines.join(u'|')));
    QCOMPARE(lines.last(), QStringLiteral("stopped"));
    for (int i = 0; i + 1 < lines.size(); ++i)
        QVERIFY(lines[i].startsWith(QStringLiteral("generation%1 ").arg(i + 1)));
    qInfo("destructor returned after %lld ms", static_cast<long long>(timer.elapsed()));
}

QTEST_GUILESS_MAIN(LifegameThreadTest)
#include "LifegameThreadTest.moc"
