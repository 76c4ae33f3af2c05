#include "TestSupport.h"
#include "board/Board.h"
#include "board/KernelBuild.h"
#include "board/Match.h"
#include "board/Pattern.h"
#include "board/StepThread.h"

#include <QString>
#include <QtTest>

#include <atomic>
#include <memory>
#include <random>
#include <vector>

// The bit-plane run against the per-cell run built on nextState: same grid,
// same species counts, same contact counter, on boards of every shape.
class BoardDifferentialTest : public QObject
{
    Q_OBJECT

private slots:
    void randomBoards_data();
    void randomBoards();
    void strayCodesFollowTheEmptyRows();
    void matchStartPositions_data();
    void matchStartPositions();
    void contactsOfATallStripedBoard();
    void resizedBoardKeepsNothingStale();
    void threadRunUsesTheSameRule();
    void blocksOfStepsPlayTheSameRun();
};

Q_DECLARE_METATYPE(MatchLayout)

namespace
{

const int stepCounts[] = {0, 1, 2, 7, 100};

// The reference run and the bit-plane run in every kernel build the CPU
// supports, on boards of the same contents.
struct BoardSet {
    Board reference;
    std::vector<std::unique_ptr<Board>> fast;

    BoardSet()
    {
        for (KernelBuild build : supportedKernelBuilds()) {
            fast.push_back(std::make_unique<Board>());
            fast.back()->useKernelBuild(build);
        }
    }
    std::vector<Board*> all()
    {
        std::vector<Board*> boards{&reference};
        for (const auto& board : fast)
            boards.push_back(board.get());
        return boards;
    }
};

void sizeAll(BoardSet& boards, int width, int height, int steps)
{
    for (Board* board : boards.all()) {
        board->setWidth(width);
        board->setHeight(height);
        board->setSteps(steps);
        board->reset();
    }
}

// Fills the boards alike; with strayChance > 0 some cells get codes the
// rule never produces, which count as neither species.
void fillAll(BoardSet& boards, std::mt19937& rng, double density, double strayChance = 0.0)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int strayCodes[] = {3, -1, 7, 255};
    for (int y = 0; y < boards.reference.boardHeight(); ++y) {
        for (int x = 0; x < boards.reference.boardWidth(); ++x) {
            int code = unit(rng) < density ? 1 + static_cast<int>(rng() % 2) : 0;
            if (unit(rng) < strayChance)
                code = strayCodes[rng() % 4];
            for (Board* board : boards.all())
                board->setCell(x, y, code);
        }
    }
}

// Empty when the boards agree, else where they first differ.
QString difference(const Board& fast, const Board& reference)
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
QString runTwiceAndCompare(BoardSet& boards)
{
    for (int run = 1; run <= 2; ++run) {
        boards.reference.runPerCell();
        for (const auto& fast : boards.fast) {
            fast->runBitPlanes();
            const QString diff = difference(*fast, boards.reference);
            if (!diff.isEmpty())
                return QStringLiteral("run %1, %2 build: %3")
                    .arg(run)
                    .arg(kernelBuildName(fast->kernelBuild()))
                    .arg(diff);
        }
    }
    return QString();
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
    QTest::newRow("9x8") << 9 << 8 << 20;
    QTest::newRow("70x16, the copy of the first row in a block of its own") << 70 << 16 << 10;
    QTest::newRow("33x17") << 33 << 17 << 10;
    QTest::newRow("17x64") << 17 << 64 << 5;
}

void BoardDifferentialTest::randomBoards()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, boardsPerDensity);

    std::mt19937 rng(static_cast<unsigned>(width * 1000 + height));
    BoardSet boards;
    const double densities[] = {0.02, 0.1, 0.3, 0.5, 0.8, 1.0};
    int board = 0;
    for (double density : densities) {
        for (int i = 0; i < boardsPerDensity; ++i, ++board) {
            const int steps = stepCounts[board % 5];
            sizeAll(boards, width, height, steps);
            fillAll(boards, rng, density);
            const QString diff = runTwiceAndCompare(boards);
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
    BoardSet boards;
    const int sizes[][2] = {{1, 1}, {2, 1}, {3, 3}, {65, 4}, {100, 15}};
    int board = 0;
    for (const auto& size : sizes) {
        for (int i = 0; i < 25; ++i, ++board) {
            const int steps = stepCounts[board % 5];
            sizeAll(boards, size[0], size[1], steps);
            fillAll(boards, rng, 0.4, 0.2);
            const QString diff = runTwiceAndCompare(boards);
            QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("%1x%2, %3 steps: %4")
                                                    .arg(size[0])
                                                    .arg(size[1])
                                                    .arg(steps)
                                                    .arg(diff)));
        }
    }
    // With no step, a stray code stays where it was.
    sizeAll(boards, 3, 3, 0);
    for (const auto& fast : boards.fast) {
        fast->setCell(1, 1, 7);
        fast->runBitPlanes();
        QCOMPARE(fast->cellAt(1, 1), 7);
    }
}

void BoardDifferentialTest::matchStartPositions_data()
{
    QTest::addColumn<MatchLayout>("layout");
    QTest::addColumn<int>("matches");

    QTest::newRow("the window's match") << MatchLayout() << 150;
    // Board, steps, pattern, first place, second place.
    QTest::newRow("patterns in the far corner")
        << MatchLayout{50, 25, 60, {6, 4}, 0, 21, 44, 21} << 40;
    QTest::newRow("patterns across the word ends")
        << MatchLayout{130, 9, 60, {8, 6}, 60, 0, 122, 3} << 40;
    QTest::newRow("one row") << MatchLayout{200, 1, 60, {8, 1}, 0, 0, 192, 0} << 40;
    QTest::newRow("one column") << MatchLayout{1, 64, 60, {1, 6}, 0, 0, 0, 58} << 40;
    QTest::newRow("the widest board") << MatchLayout{4096, 2, 20, {64, 2}, 0, 0, 4032, 0} << 6;
    QTest::newRow("the tallest board") << MatchLayout{2, 4096, 20, {2, 64}, 0, 0, 0, 4032} << 6;
}

void BoardDifferentialTest::matchStartPositions()
{
    QFETCH(MatchLayout, layout);
    QFETCH(int, matches);
    std::mt19937 rng(12345);
    BoardSet boards;
    for (int match = 0; match < matches; ++match) {
        MatchLayout played = layout;
        if (match % 3 == 0)
            played.steps = stepCounts[match / 3 % 5];
        const Pattern first = randomPattern(rng, 0.5, layout.pattern);
        const Pattern second = randomPattern(rng, 0.5, layout.pattern);
        for (Board* board : boards.all())
            setUpMatch(*board, first, second, played);
        const QString diff = runTwiceAndCompare(boards);
        QVERIFY2(
            diff.isEmpty(),
            qPrintable(
                QStringLiteral("match %1, %2 steps: %3").arg(match).arg(played.steps).arg(diff)));
    }
}

void BoardDifferentialTest::contactsOfATallStripedBoard()
{
    // Rows of the first species between rows of the second: every second-
    // species cell is a contact, 4,096 in the first step, more than a byte
    // of any partial count can hold.
    BoardSet boards;
    for (int steps : {1, 2, 7}) {
        sizeAll(boards, 64, 128, steps);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 64; ++x)
                for (Board* board : boards.all())
                    board->setCell(x, y, 1 + y % 2);
        const QString diff = runTwiceAndCompare(boards);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("%1 steps: %2").arg(steps).arg(diff)));
    }
    QVERIFY(boards.reference.contactCount() >= 4096);
}

void BoardDifferentialTest::resizedBoardKeepsNothingStale()
{
    // One pair of boards through changing sizes, as a reused board would go.
    std::mt19937 rng(99);
    BoardSet boards;
    const int sizes[][2] = {{100, 15}, {3, 3}, {65, 2}, {1, 1}, {64, 15}, {15, 100}, {100, 15}};
    for (const auto& size : sizes) {
        for (int i = 0; i < 4; ++i) {
            sizeAll(boards, size[0], size[1], 7);
            fillAll(boards, rng, 0.35);
            const QString diff = runTwiceAndCompare(boards);
            QVERIFY2(diff.isEmpty(),
                     qPrintable(QStringLiteral("%1x%2: %3").arg(size[0]).arg(size[1]).arg(diff)));
        }
    }
}

void BoardDifferentialTest::threadRunUsesTheSameRule()
{
    // The board's own thread, on the smallest boards (which it runs cell by
    // cell) and on a match board.
    std::mt19937 rng(3);
    BoardSet boards;
    const int sizes[][2] = {{1, 1}, {2, 1}, {1, 3}, {2, 2}, {100, 15}};
    for (const auto& size : sizes) {
        sizeAll(boards, size[0], size[1], 100);
        fillAll(boards, rng, 0.5);
        StepThread thread;
        thread.board() = *boards.fast.back();
        thread.start();
        QVERIFY(thread.wait());
        boards.reference.runPerCell();
        const QString diff = difference(thread.board(), boards.reference);
        QVERIFY2(diff.isEmpty(),
                 qPrintable(QStringLiteral("%1x%2: %3").arg(size[0]).arg(size[1]).arg(diff)));
    }
}

void BoardDifferentialTest::blocksOfStepsPlayTheSameRun()
{
    // A board watching a cancel flag plays its steps in blocks, looking at
    // the flag between them; on a board this large a run of 130 steps takes
    // several blocks, which must leave what one uninterrupted run leaves.
    std::mt19937 rng(17);
    const std::atomic<bool> raised{true};
    const std::atomic<bool> lowered{false};
    for (KernelBuild build : supportedKernelBuilds()) {
        Board blocks;
        blocks.useKernelBuild(build);
        blocks.watchCancelFlag(&lowered);
        Board whole;
        whole.useKernelBuild(build);
        for (Board* board : {&blocks, &whole}) {
            board->setWidth(4096);
            board->setHeight(1024);
            board->setSteps(130);
            board->reset();
        }
        QVERIFY(blocks.blockSteps() * 2 < 130);
        std::uniform_int_distribution<int> code(0, 2);
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 4096; ++x) {
                const int c = code(rng);
                blocks.setCell(x, y, c);
                whole.setCell(x, y, c);
            }
        QVERIFY(blocks.runBitPlanes());
        QVERIFY(whole.runBitPlanes());
        QVERIFY(whole.contactCount() > 0);
        const QString diff = difference(blocks, whole);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("%1 build: %2")
                                                .arg(kernelBuildName(build))
                                                .arg(diff)));

        // A raised flag stops the run before its first block: nothing moves.
        const QVector<int> before = cellsOf(blocks);
        const int contacts = blocks.contactCount();
        blocks.watchCancelFlag(&raised);
        QVERIFY(!blocks.run());
        QCOMPARE(blocks.contactCount(), contacts);
        QVERIFY(cellsOf(blocks) == before);
    }
}

QTEST_GUILESS_MAIN(BoardDifferentialTest)
#include "BoardDifferentialTest.moc"
