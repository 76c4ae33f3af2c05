// The two-species board: the step rule cell by cell, the torus, the contact
// counter, runs, resets and stamps.
#include "TestSupport.h"
#include "board/Match.h"
#include "board/MatchPool.h"
#include "board/Pattern.h"
#include "board/StepThread.h"

#include <QPoint>
#include <QtTest>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <dlfcn.h>
#include <mutex>
#include <limits>
#include <random>

// Counts the allocations made on the test thread while counting is on, so a
// test can see whether reset reused its arrays. The real allocation is the
// next definition in the process (the C++ runtime's or a sanitizer's), so
// every delete still matches its new.
namespace
{
thread_local bool countingAllocations = false;
thread_local int allocationCount = 0;
using AllocationFunction = void* (*)(std::size_t);

AllocationFunction nextAllocation(const char* symbol)
{
    return reinterpret_cast<AllocationFunction>(dlsym(RTLD_NEXT, symbol));
}
} // namespace

void* operator new(std::size_t size)
{
    static const AllocationFunction allocate = nextAllocation("_Znwm");
    if (countingAllocations)
        ++allocationCount;
    return allocate(size);
}

void* operator new[](std::size_t size)
{
    static const AllocationFunction allocate = nextAllocation("_Znam");
    if (countingAllocations)
        ++allocationCount;
    return allocate(size);
}

namespace
{

// The eight neighbours of a cell, in the order the tests fill them.
const QPoint neighbourOffsets[8] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0},
                                    {1, 1},   {0, 1},  {-1, 1}, {-1, 0}};

void prepare(StepThread& board, int width, int height, int steps = 1)
{
    board.setWidth(width);
    board.setHeight(height);
    board.setSteps(steps);
    board.reset();
}

void runOnce(StepThread& board)
{
    board.start();
    QVERIFY(board.wait(10000));
}

void setCells(StepThread& board, const QVector<int>& cells)
{
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            board.setCell(x, y, cells[x + board.boardWidth() * y]);
}

QVector<QPoint> cellsWithCode(const StepThread& board, int code)
{
    QVector<QPoint> found;
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            if (board.cellAt(x, y) == code)
                found << QPoint(x, y);
    return found;
}

QVector<QPoint> sorted(QVector<QPoint> points)
{
    std::sort(points.begin(), points.end(), [](const QPoint& a, const QPoint& b) {
        return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
    });
    return points;
}

// A dense mix of both species, the same every time.
void fillMixed(StepThread& board, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> code(0, 4);
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x) {
            const int c = code(generator);
            board.setCell(x, y, c <= 2 ? 0 : c - 2);
        }
}

} // namespace

class BoardTest : public QObject
{
    Q_OBJECT

private slots:
    void stepRule_data();
    void stepRule();
    void wrapsOnBothAxes_data();
    void wrapsOnBothAxes();
    void blocksStayAndLoneCellsDie();
    void counterAccumulatesOverTwoRuns();
    void nonPositiveStepsChangeNothing_data();
    void nonPositiveStepsChangeNothing();
    void twoWideBoardCountsNeighbourTwice();
    void oneByOneBoardAlwaysDies_data();
    void oneByOneBoardAlwaysDies();
    void resetKeepsArraysButClears();
    void resetReallocatesOnNewShape();
    void stampPlacesCellsAndNeverClears();
    void poolCancelStopsTheMatchesInProgress();
    void stampOutsideTheBoardWritesNothing_data();
    void stampOutsideTheBoardWritesNothing();
};

void BoardTest::stepRule_data()
{
    QTest::addColumn<int>("own");
    QTest::addColumn<int>("n1");
    QTest::addColumn<int>("n2");
    QTest::addColumn<int>("others"); // neighbours holding a code other than 1 or 2
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("contacts");

    QTest::newRow("1 alone dies") << 1 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("1, N1=1 dies") << 1 << 1 << 0 << 0 << 0 << 0;
    QTest::newRow("1, N1=2 survives") << 1 << 2 << 0 << 0 << 1 << 0;
    QTest::newRow("1, N1=3 survives") << 1 << 3 << 0 << 0 << 1 << 0;
    QTest::newRow("1, N1=4 dies") << 1 << 4 << 0 << 0 << 0 << 0;
    QTest::newRow("1, N1=8 dies") << 1 << 8 << 0 << 0 << 0 << 0;
    QTest::newRow("1, N1=2 N2=6 survives") << 1 << 2 << 6 << 0 << 1 << 0;
    QTest::newRow("1, N1=3 N2=5 survives") << 1 << 3 << 5 << 0 << 1 << 0;
    QTest::newRow("1, N1=1 N2=3 dies, not converted") << 1 << 1 << 3 << 0 << 0 << 0;
    QTest::newRow("1, N2=2 only dies") << 1 << 0 << 2 << 0 << 0 << 0;
    QTest::newRow("1, N1=1 and 3 other codes dies") << 1 << 1 << 0 << 3 << 0 << 0;

    QTest::newRow("2 alone dies") << 2 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("2, N2=1 dies") << 2 << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("2, N2=2 survives") << 2 << 0 << 2 << 0 << 2 << 0;
    QTest::newRow("2, N2=3 survives") << 2 << 0 << 3 << 0 << 2 << 0;
    QTest::newRow("2, N2=4 dies") << 2 << 0 << 4 << 0 << 0 << 0;
    QTest::newRow("2, N1=1 N2=2 survives uncounted") << 2 << 1 << 2 << 0 << 2 << 0;
    QTest::newRow("2, N1=1 N2=3 survives uncounted") << 2 << 1 << 3 << 0 << 2 << 0;
    QTest::newRow("2, N1=1 N2=4 dies uncounted") << 2 << 1 << 4 << 0 << 0 << 0;
    QTest::newRow("2, N1=2 N2=2 converted") << 2 << 2 << 2 << 0 << 1 << 1;
    QTest::newRow("2, N1=3 N2=3 converted") << 2 << 3 << 3 << 0 << 1 << 1;
    QTest::newRow("2, N1=5 N2=3 converted") << 2 << 5 << 3 << 0 << 1 << 1;
    QTest::newRow("2, N1=6 N2=2 converted") << 2 << 6 << 2 << 0 << 1 << 1;
    QTest::newRow("2, N1=2 N2=0 dies counted") << 2 << 2 << 0 << 0 << 0 << 1;
    QTest::newRow("2, N1=2 N2=1 dies counted") << 2 << 2 << 1 << 0 << 0 << 1;
    QTest::newRow("2, N1=3 N2=0 dies counted") << 2 << 3 << 0 << 0 << 0 << 1;
    QTest::newRow("2, N1=2 N2=4 dies counted") << 2 << 2 << 4 << 0 << 0 << 1;
    QTest::newRow("2, N2=2 and 4 other codes survives") << 2 << 0 << 2 << 4 << 2 << 0;

    QTest::newRow("0, N1=3 born first") << 0 << 3 << 0 << 0 << 1 << 0;
    QTest::newRow("0, N1=3 N2=3 born first") << 0 << 3 << 3 << 0 << 1 << 0;
    QTest::newRow("0, N1=3 N2=5 born first") << 0 << 3 << 5 << 0 << 1 << 0;
    QTest::newRow("0, N1=2 N2=3 born second") << 0 << 2 << 3 << 0 << 2 << 0;
    QTest::newRow("0, N2=3 born second") << 0 << 0 << 3 << 0 << 2 << 0;
    QTest::newRow("0, N1=4 N2=3 born second") << 0 << 4 << 3 << 0 << 2 << 0;
    QTest::newRow("0, N1=2 N2=2 stays empty") << 0 << 2 << 2 << 0 << 0 << 0;
    QTest::newRow("0, N1=4 stays empty") << 0 << 4 << 0 << 0 << 0 << 0;
    QTest::newRow("0, N2=4 stays empty") << 0 << 0 << 4 << 0 << 0 << 0;
    QTest::newRow("0, N1=2 and 1 other code stays empty") << 0 << 2 << 0 << 1 << 0 << 0;

    QTest::newRow("other code 7, N1=3 born first") << 7 << 3 << 0 << 0 << 1 << 0;
    QTest::newRow("other code 7, N2=3 born second") << 7 << 0 << 3 << 0 << 2 << 0;
    QTest::newRow("other code 7, N1=2 N2=2 empties") << 7 << 2 << 2 << 0 << 0 << 0;
}

void BoardTest::stepRule()
{
    QFETCH(int, own);
    QFETCH(int, n1);
    QFETCH(int, n2);
    QFETCH(int, others);
    QFETCH(int, next);
    QFETCH(int, contacts);
    QVERIFY(n1 + n2 + others <= 8);

    // The cell sits in the middle of a 5 x 5 board, away from every edge.
    auto build = [&](StepThread& board) {
        prepare(board, 5, 5);
        board.setCell(2, 2, own);
        int k = 0;
        for (int i = 0; i < n1; ++i, ++k)
            board.setCell(2 + neighbourOffsets[k].x(), 2 + neighbourOffsets[k].y(), 1);
        for (int i = 0; i < n2; ++i, ++k)
            board.setCell(2 + neighbourOffsets[k].x(), 2 + neighbourOffsets[k].y(), 2);
        for (int i = 0; i < others; ++i, ++k)
            board.setCell(2 + neighbourOffsets[k].x(), 2 + neighbourOffsets[k].y(), 9);
    };

    // The rule alone, with the counter it raises for this one evaluation.
    StepThread single;
    build(single);
    QCOMPARE(single.nextState(2, 2), next);
    QCOMPARE(single.contactCount(), contacts);

    // The same cell through a one-step run.
    StepThread stepped;
    build(stepped);
    runOnce(stepped);
    QCOMPARE(stepped.cellAt(2, 2), next);
    // The run's counter is every cell's evaluation together, and its counts
    // are of the cells it leaves.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            if (x != 2 || y != 2)
                single.nextState(x, y);
    QCOMPARE(stepped.contactCount(), single.contactCount());
    const QVector<int> after = cellsOf(stepped);
    QCOMPARE(stepped.countFirstSpecies(), int(after.count(1)));
    QCOMPARE(stepped.countSecondSpecies(), int(after.count(2)));
}

void BoardTest::wrapsOnBothAxes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<QPoint>>("start");
    QTest::addColumn<QVector<QPoint>>("afterOneStep");

    QTest::newRow("middle, for comparison") << 1 << QVector<QPoint>{{49, 7}, {50, 7}, {51, 7}}
                                            << QVector<QPoint>{{50, 6}, {50, 7}, {50, 8}};
    QTest::newRow("across the left and right edge")
        << 1 << QVector<QPoint>{{99, 7}, {0, 7}, {1, 7}} << QVector<QPoint>{{0, 6}, {0, 7}, {0, 8}};
    QTest::newRow("upright on column 0, turns across the side edge")
        << 1 << QVector<QPoint>{{0, 6}, {0, 7}, {0, 8}} << QVector<QPoint>{{99, 7}, {0, 7}, {1, 7}};
    QTest::newRow("across the top and bottom edge")
        << 1 << QVector<QPoint>{{50, 14}, {50, 0}, {50, 1}}
        << QVector<QPoint>{{49, 0}, {50, 0}, {51, 0}};
    QTest::newRow("flat on row 0, turns across the top edge")
        << 1 << QVector<QPoint>{{49, 0}, {50, 0}, {51, 0}}
        << QVector<QPoint>{{50, 14}, {50, 0}, {50, 1}};
    QTest::newRow("at the corner, both edges") << 1 << QVector<QPoint>{{99, 0}, {0, 0}, {1, 0}}
                                               << QVector<QPoint>{{0, 14}, {0, 0}, {0, 1}};
    QTest::newRow("second species across the left and right edge")
        << 2 << QVector<QPoint>{{99, 7}, {0, 7}, {1, 7}} << QVector<QPoint>{{0, 6}, {0, 7}, {0, 8}};
    QTest::newRow("second species across the top and bottom edge")
        << 2 << QVector<QPoint>{{50, 14}, {50, 0}, {50, 1}}
        << QVector<QPoint>{{49, 0}, {50, 0}, {51, 0}};
}

void BoardTest::wrapsOnBothAxes()
{
    QFETCH(int, code);
    QFETCH(QVector<QPoint>, start);
    QFETCH(QVector<QPoint>, afterOneStep);

    StepThread board;
    prepare(board, 100, 15);
    for (const QPoint& p : start)
        board.setCell(p.x(), p.y(), code);

    runOnce(board);
    QCOMPARE(sorted(cellsWithCode(board, code)), sorted(afterOneStep));
    QCOMPARE(board.countFirstSpecies() + board.countSecondSpecies(), 3);

    runOnce(board);
    QCOMPARE(sorted(cellsWithCode(board, code)), sorted(start));
    QCOMPARE(board.countFirstSpecies() + board.countSecondSpecies(), 3);
}

void BoardTest::blocksStayAndLoneCellsDie()
{
    StepThread board;
    prepare(board, 100, 15, 10);
    for (const QPoint& p : {QPoint(10, 5), QPoint(11, 5), QPoint(10, 6), QPoint(11, 6)})
        board.setCell(p.x(), p.y(), 1);
    for (const QPoint& p : {QPoint(30, 5), QPoint(31, 5), QPoint(30, 6), QPoint(31, 6)})
        board.setCell(p.x(), p.y(), 2);
    board.setCell(60, 10, 1);
    board.setCell(80, 10, 2);
    const QVector<QPoint> firstBlock = cellsWithCode(board, 1).mid(0, 4);
    const QVector<QPoint> secondBlock = cellsWithCode(board, 2).mid(0, 4);

    runOnce(board);
    QCOMPARE(cellsWithCode(board, 1), firstBlock);
    QCOMPARE(cellsWithCode(board, 2), secondBlock);
    QCOMPARE(board.contactCount(), 0);
}

void BoardTest::counterAccumulatesOverTwoRuns()
{
    StepThread board;
    prepare(board, 20, 10);
    fillMixed(board, 1);
    const QVector<int> start = cellsOf(board);

    runOnce(board);
    const int firstRun = board.contactCount();
    const QVector<int> afterFirst = cellsOf(board);

    // The second step measured on its own, from the first run's result.
    StepThread fresh;
    prepare(fresh, 20, 10);
    setCells(fresh, afterFirst);
    runOnce(fresh);
    const int secondStepAlone = fresh.contactCount();
    QVERIFY2(firstRun > 0 && secondStepAlone > 0,
             "the position should make contacts in both steps");

    runOnce(board);
    QCOMPARE(board.contactCount(), firstRun + secondStepAlone);
    QCOMPARE(cellsOf(board), cellsOf(fresh));

    // Two steps in one run come to the same.
    StepThread twoSteps;
    prepare(twoSteps, 20, 10, 2);
    setCells(twoSteps, start);
    runOnce(twoSteps);
    QCOMPARE(twoSteps.contactCount(), firstRun + secondStepAlone);
    QCOMPARE(cellsOf(twoSteps), cellsOf(board));
}

void BoardTest::nonPositiveStepsChangeNothing_data()
{
    QTest::addColumn<int>("steps");
    QTest::newRow("0") << 0;
    QTest::newRow("-3") << -3;
}

void BoardTest::nonPositiveStepsChangeNothing()
{
    QFETCH(int, steps);
    StepThread board;
    prepare(board, 20, 10, steps);
    fillMixed(board, 1);
    const QVector<int> before = cellsOf(board);

    runOnce(board);
    QCOMPARE(cellsOf(board), before);
    QCOMPARE(board.contactCount(), 0);
}

void BoardTest::twoWideBoardCountsNeighbourTwice()
{
    // Column 1 is both the left and the right neighbour of column 0: (1, 2)
    // counts twice for (0, 2), which with (0, 1) makes three.
    StepThread birth;
    prepare(birth, 2, 5);
    birth.setCell(1, 2, 1);
    birth.setCell(0, 1, 1);
    runOnce(birth);
    QCOMPARE(birth.cellAt(0, 2), 1);
    QCOMPARE(birth.cellAt(1, 2), 1);
    QCOMPARE(birth.cellAt(0, 1), 1);

    // A single first-species cell beside a second-species one touches it twice.
    StepThread contact;
    prepare(contact, 2, 5);
    contact.setCell(0, 2, 2);
    contact.setCell(1, 2, 1);
    runOnce(contact);
    QCOMPARE(contact.contactCount(), 1);
    QCOMPARE(contact.cellAt(0, 2), 0);
}

void BoardTest::oneByOneBoardAlwaysDies_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("first species") << 1;
    QTest::newRow("second species") << 2;
    QTest::newRow("empty") << 0;
}

void BoardTest::oneByOneBoardAlwaysDies()
{
    QFETCH(int, code);
    StepThread board;
    prepare(board, 1, 1);
    board.setCell(0, 0, code);
    runOnce(board);
    QCOMPARE(board.cellAt(0, 0), 0);
    QCOMPARE(board.contactCount(), 0);
}

void BoardTest::resetKeepsArraysButClears()
{
    StepThread board;
    prepare(board, 100, 15);
    fillMixed(board, 2);
    runOnce(board);
    QVERIFY(board.contactCount() > 0);
    QVERIFY(board.countFirstSpecies() > 0 && board.countSecondSpecies() > 0);

    allocationCount = 0;
    countingAllocations = true;
    board.reset();
    countingAllocations = false;
    QCOMPARE(allocationCount, 0);

    QCOMPARE(board.countFirstSpecies(), 0);
    QCOMPARE(board.countSecondSpecies(), 0);
    QCOMPARE(board.contactCount(), 0);
    QCOMPARE(cellsOf(board), QVector<int>(100 * 15, 0));

    // Whatever stayed in the second grid must not come back after a step.
    runOnce(board);
    QCOMPARE(cellsOf(board), QVector<int>(100 * 15, 0));
    QCOMPARE(board.contactCount(), 0);
}

void BoardTest::resetReallocatesOnNewShape()
{
    StepThread board;
    prepare(board, 100, 15);
    fillMixed(board, 3);

    // Same number of cells, different shape.
    board.setWidth(15);
    board.setHeight(100);
    allocationCount = 0;
    countingAllocations = true;
    board.reset();
    countingAllocations = false;
    QVERIFY(allocationCount > 0);
    QCOMPARE(board.boardWidth(), 15);
    QCOMPARE(board.boardHeight(), 100);
    QCOMPARE(cellsOf(board), QVector<int>(15 * 100, 0));

    // The new shape's torus: a blinker across the left and right edge.
    board.setCell(14, 50, 1);
    board.setCell(0, 50, 1);
    board.setCell(1, 50, 1);
    runOnce(board);
    QCOMPARE(sorted(cellsWithCode(board, 1)), (QVector<QPoint>{{0, 49}, {0, 50}, {0, 51}}));
}

void BoardTest::stampPlacesCellsAndNeverClears()
{
    StepThread board;
    prepare(board, 100, 15);
    Pattern pattern = makePattern();
    // Corners and one inner cell: a transposed or mirrored stamp misses them.
    for (const QPoint& p : {QPoint(0, 0), QPoint(7, 0), QPoint(0, 5), QPoint(7, 5), QPoint(3, 2)})
        pattern[p.x() + patternWidth * p.y()] = 1;
    const QVector<QPoint> expected{{10, 4}, {17, 4}, {13, 6}, {10, 9}, {17, 9}};
    board.setCell(11, 4, 2); // under a dead pattern cell
    board.setCell(50, 7, 1); // outside the pattern

    board.stampPattern(pattern, 1, 10, 4, patternWidth, patternHeight);
    QCOMPARE(sorted(cellsWithCode(board, 1)), sorted(expected + QVector<QPoint>{{50, 7}}));
    QCOMPARE(cellsWithCode(board, 2), QVector<QPoint>{QPoint(11, 4)});

    // The same pattern again with code 2 takes over its live cells only.
    board.stampPattern(pattern, 2, 10, 4, patternWidth, patternHeight);
    QCOMPARE(sorted(cellsWithCode(board, 2)), sorted(expected + QVector<QPoint>{{11, 4}}));
    QCOMPARE(cellsWithCode(board, 1), QVector<QPoint>{QPoint(50, 7)});
    QCOMPARE(board.countFirstSpecies(), 1);
    QCOMPARE(board.countSecondSpecies(), 6);

    // An empty pattern changes nothing.
    const QVector<int> before = cellsOf(board);
    board.stampPattern(makePattern(), 1, 0, 0, patternWidth, patternHeight);
    QCOMPARE(cellsOf(board), before);
    QCOMPARE(board.contactCount(), 0);
}

void BoardTest::poolCancelStopsTheMatchesInProgress()
{
    // Matches on the largest board for the most steps, minutes each: the
    // cancel has to reach them in progress for the call to return.
    MatchLayout largest;
    largest.boardWidth = 4096;
    largest.boardHeight = 4096;
    largest.steps = 100000;
    std::mt19937 generator(8);
    std::vector<Pattern> patterns(16);
    for (Pattern& pattern : patterns)
        pattern = randomPattern(generator);
    std::string failure;
    const std::unique_ptr<MatchPool> pool = MatchPool::start(2, failure);
    QVERIFY2(pool, failure.c_str());

    std::mutex mutex;
    std::condition_variable started;
    int playing = 0;
    // Per row: -1 not begun, 0 stopped without a result, 1 played whole.
    std::vector<int> outcomes(3, -1);
    pool->begin(3, [&](int row, Board& board) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            ++playing;
        }
        started.notify_all();
        outcomes[row] = playCancellableMatch(board, patterns[0], patterns[1], largest) ? 1 : 0;
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        started.wait(lock, [&] { return playing == 2; });
    }
    pool->cancel();
    // Each thread took one row and was stopped; the third row never began.
    QCOMPARE(outcomes, (std::vector<int>{0, 0, -1}));
    QCOMPARE(pool->rowsDone(), 0);

    // The pool plays the next job whole, as boards of its own would.
    std::vector<std::optional<MatchResult>> results(8);
    pool->run(8, [&](int row, Board& board) {
        results[row] = playCancellableMatch(board, patterns[2 * row], patterns[2 * row + 1]);
    });
    QCOMPARE(pool->rowsDone(), 8);
    for (int row = 0; row < 8; ++row) {
        Board alone;
        const MatchResult expected = playMatch(alone, patterns[2 * row], patterns[2 * row + 1]);
        QVERIFY(results[row]);
        QCOMPARE(results[row]->firstCells, expected.firstCells);
        QCOMPARE(results[row]->secondCells, expected.secondCells);
        QCOMPARE(results[row]->contacts, expected.contacts);
    }
}

void BoardTest::stampOutsideTheBoardWritesNothing_data()
{
    // On a board of 100 x 15, a pattern of every cell live.
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("stamped");

    const int most = std::numeric_limits<int>::max();
    const int least = std::numeric_limits<int>::min();
    QTest::newRow("in the far corner") << 92 << 9 << 8 << 6 << true;
    QTest::newRow("the whole board") << 0 << 0 << 100 << 15 << true;
    QTest::newRow("nothing, at the far corner") << 100 << 15 << 0 << 0 << true;
    QTest::newRow("a column past the side") << 93 << 9 << 8 << 6 << false;
    QTest::newRow("a row past the foot") << 92 << 10 << 8 << 6 << false;
    // Where left + width wraps an int.
    QTest::newRow("left at the largest int") << most << 0 << 8 << 6 << false;
    QTest::newRow("left + width wrapping") << most - 5 << 0 << 8 << 6 << false;
    QTest::newRow("top + height wrapping") << 0 << most - 3 << 8 << 6 << false;
    QTest::newRow("width at the largest int") << 1 << 0 << most << 1 << false;
    QTest::newRow("left negative") << -1 << 0 << 8 << 6 << false;
    QTest::newRow("top at the least int") << 0 << least << 8 << 6 << false;
    QTest::newRow("negative width") << 10 << 0 << -8 << 6 << false;
    QTest::newRow("negative height with a wrapping top") << 0 << least << 8 << least << false;
}

void BoardTest::stampOutsideTheBoardWritesNothing()
{
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, stamped);

    StepThread board;
    prepare(board, 100, 15);
    board.setCell(50, 7, 2);
    const QVector<int> before = cellsOf(board);
    // The pattern is read only where it lies inside the board.
    const int cells = stamped ? width * height : 0;
    const Pattern pattern(new int[static_cast<std::size_t>(cells) + 1]);
    std::fill_n(pattern.get(), cells, 1);

    QCOMPARE(board.stampPattern(pattern, 1, left, top, width, height), stamped);
    if (stamped)
        QCOMPARE(board.countFirstSpecies(), width * height);
    else
        QCOMPARE(cellsOf(board), before);

    // A size that has not yet taken effect holds no pattern either.
    board.setWidth(200);
    QVERIFY(!board.stampPattern(pattern, 1, 150, 0, 0, 0));
}

QTEST_GUILESS_MAIN(BoardTest)
#include "BoardTest.moc"
