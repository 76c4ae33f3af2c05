#include "board/Pattern.h"
#include "board/StepThread.h"

#include <QString>
#include <QtTest>

#include <random>

// The bit-plane run against the per-cell run built on nextState: same grid,
// same species counts, same contact counter, on boards of every shape.
class BoardDifferentialTest : public QObject
{
    Q_OBJECT

private slots:
    void randomBoards_data();
    void randomBoards();
    void strayCodesFollowTheEmptyRows();
    void matchStartPositions();
    void resizedBoardKeepsNothingStale();
    void threadRunUsesTheSameRule();
};

namespace
{

const int stepCounts[] = {0, 1, 2, 7, 100};

void sizeBoth(StepThread& a, StepThread& b, int width, int height, int steps)
{
    for (StepThread* board : {&a, &b}) {
        board->setWidth(width);
        board->setHeight(height);
        board->setSteps(steps);
        board->reset();
    }
}

// Fills both boards alike; with strayChance > 0 some cells get codes the
// rule never produces, which count as neither species.
void fillBoth(StepThread& a, StepThread& b, std::mt19937& rng, double density,
              double strayChance = 0.0)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int strayCodes[] = {3, -1, 7, 255};
    for (int y = 0; y < a.boardHeight(); ++y) {
        for (int x = 0; x < a.boardWidth(); ++x) {
            int code = unit(rng) < density ? 1 + static_cast<int>(rng() % 2) : 0;
            if (unit(rng) < strayChance)
                code = strayCodes[rng() % 4];
            a.setCell(x, y, code);
            b.setCell(x, y, code);
        }
    }
}

// Empty when the boards agree, else where they first differ.
QString difference(const StepThread& fast, const StepThread& reference)
{
    if (fast.contactCount() != reference.contactCount())
        return QStringLiteral("contacts %1 vs %2")
            .arg(fast.contactCount())
            .arg(reference.contactCount());
    for (int y = 0; y < reference.boardHeight(); ++y)
        for (int x = 0; x < reference.boardWidth(); ++x)
            if (fast.cellAt(x, y) != reference.cellAt(x, y))
                return QStringLiteral("cell (%1, %2): %3 vs %4")
                    .arg(x)
                    .arg(y)
                    .arg(fast.cellAt(x, y))
                    .arg(reference.cellAt(x, y));
    if (fast.countFirstSpecies() != reference.countFirstSpecies() ||
        fast.countSecondSpecies() != reference.countSecondSpecies())
        return QStringLiteral("species counts");
    return QString();
}

// Two runs without a reset between them, compared after each.
QString runTwiceAndCompare(StepThread& fast, StepThread& reference)
{
    for (int run = 1; run <= 2; ++run) {
        fast.runBitPlanes();
        reference.runPerCell();
        const QString diff = difference(fast, reference);
        if (!diff.isEmpty())
            return QStringLiteral("run %1: %2").arg(run).arg(diff);
    }
    return QString();
}

Pattern randomPattern(std::mt19937& rng)
{
    Pattern pattern = makePattern();
    for (int i = 0; i < patternCells; ++i)
        pattern[i] = static_cast<int>(rng() & 1);
    return pattern;
}

} // namespace

void BoardDifferentialTest::randomBoards_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("boardsPerDensity");

    // Small boards are cheap for the reference loop, so they get more boards.
    QTest::newRow("1x1, a cell is its own eight neighbours") << 1 << 1 << 60;
    QTest::newRow("2x1") << 2 << 1 << 60;
    QTest::newRow("1x2") << 1 << 2 << 60;
    QTest::newRow("2x2") << 2 << 2 << 60;
    QTest::newRow("3x3") << 3 << 3 << 60;
    QTest::newRow("1x15") << 1 << 15 << 40;
    QTest::newRow("2x15, west and east are one cell") << 2 << 15 << 40;
    QTest::newRow("5x7") << 5 << 7 << 40;
    QTest::newRow("63x15") << 63 << 15 << 10;
    QTest::newRow("64x15") << 64 << 15 << 10;
    QTest::newRow("65x15") << 65 << 15 << 10;
    QTest::newRow("100x15, the match board") << 100 << 15 << 10;
    QTest::newRow("100x1") << 100 << 1 << 20;
    QTest::newRow("100x2, north and south are one row") << 100 << 2 << 20;
    QTest::newRow("64x1") << 64 << 1 << 20;
    QTest::newRow("127x3") << 127 << 3 << 10;
    QTest::newRow("128x4") << 128 << 4 << 10;
    QTest::newRow("129x5") << 129 << 5 << 10;
    QTest::newRow("17x64") << 17 << 64 << 5;
}

void BoardDifferentialTest::randomBoards()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, boardsPerDensity);

    std::mt19937 rng(static_cast<unsigned>(width * 1000 + height));
    StepThread fast;
    StepThread reference;
    const double densities[] = {0.02, 0.1, 0.3, 0.5, 0.8, 1.0};
    int board = 0;
    for (double density : densities) {
        for (int i = 0; i < boardsPerDensity; ++i, ++board) {
            const int steps = stepCounts[board % 5];
            sizeBoth(fast, reference, width, height, steps);
            fillBoth(fast, reference, rng, density);
            const QString diff = runTwiceAndCompare(fast, reference);
            QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("density %1, %2 steps, board %3: %4")
                                                    .arg(density)
                                                    .arg(steps)
                                                    .arg(board)
                                                    .arg(diff)));
        }
    }
}

void BoardDifferentialTest::strayCodesFollowTheEmptyRows()
{
    std::mt19937 rng(7);
    StepThread fast;
    StepThread reference;
    const int sizes[][2] = {{1, 1}, {2, 1}, {3, 3}, {65, 4}, {100, 15}};
    int board = 0;
    for (const auto& size : sizes) {
        for (int i = 0; i < 25; ++i, ++board) {
            const int steps = stepCounts[board % 5];
            sizeBoth(fast, reference, size[0], size[1], steps);
            fillBoth(fast, reference, rng, 0.4, 0.2);
            const QString diff = runTwiceAndCompare(fast, reference);
            QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("%1x%2, %3 steps: %4")
                                                    .arg(size[0])
                                                    .arg(size[1])
                                                    .arg(steps)
                                                    .arg(diff)));
        }
    }
    // With no step, a stray code stays where it was.
    sizeBoth(fast, reference, 3, 3, 0);
    fast.setCell(1, 1, 7);
    fast.runBitPlanes();
    QCOMPARE(fast.cellAt(1, 1), 7);
}

void BoardDifferentialTest::matchStartPositions()
{
    std::mt19937 rng(12345);
    StepThread fast;
    StepThread reference;
    for (int match = 0; match < 150; ++match) {
        const int steps = match % 3 == 0 ? stepCounts[match / 3 % 5] : 100;
        sizeBoth(fast, reference, 100, 15, steps);
        const Pattern first = randomPattern(rng);
        const Pattern second = randomPattern(rng);
        for (StepThread* board : {&fast, &reference}) {
            board->stampPattern(first, 1, 0, 0, patternWidth, patternHeight);
            board->stampPattern(second, 2, 10, 0, patternWidth, patternHeight);
        }
        const QString diff = runTwiceAndCompare(fast, reference);
        QVERIFY2(
            diff.isEmpty(),
            qPrintable(QStringLiteral("match %1, %2 steps: %3").arg(match).arg(steps).arg(diff)));
    }
}

void BoardDifferentialTest::resizedBoardKeepsNothingStale()
{
    // One pair of boards through changing sizes, as a reused board would go.
    std::mt19937 rng(99);
    StepThread fast;
    StepThread reference;
    const int sizes[][2] = {{100, 15}, {3, 3}, {65, 2}, {1, 1}, {64, 15}, {15, 100}, {100, 15}};
    for (const auto& size : sizes) {
        for (int i = 0; i < 4; ++i) {
            sizeBoth(fast, reference, size[0], size[1], 7);
            fillBoth(fast, reference, rng, 0.35);
            const QString diff = runTwiceAndCompare(fast, reference);
            QVERIFY2(diff.isEmpty(),
                     qPrintable(QStringLiteral("%1x%2: %3").arg(size[0]).arg(size[1]).arg(diff)));
        }
    }
}

void BoardDifferentialTest::threadRunUsesTheSameRule()
{
    std::mt19937 rng(3);
    StepThread threaded;
    StepThread reference;
    sizeBoth(threaded, reference, 100, 15, 100);
    fillBoth(threaded, reference, rng, 0.3);
    threaded.start();
    QVERIFY(threaded.wait());
    reference.runPerCell();
    const QString diff = difference(threaded, reference);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

QTEST_GUILESS_MAIN(BoardDifferentialTest)
#include "BoardDifferentialTest.moc"
