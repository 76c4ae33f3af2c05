#pragma once

#include "board/BitPlaneStepper.h"
#include "board/Pattern.h"

#include <boost/shared_array.hpp>

#include <atomic>

// The two-species battle board: a torus of cell codes (0 empty, 1 first
// species, 2 second species), the step rule and the contact counter. A plain
// value used by one thread at a time; StepThread runs one on a thread of its
// own, the match runners and the analyses use it directly. A board may watch
// a cancel flag (a MatchPool's boards watch the pool's), so that a long run
// stops soon after the flag is raised.
class Board
{
public:
    Board() = default;
    // Copies the cells, the counter and the kernel build; the planes, which
    // only a run uses, are sized anew. The flag watched is the owner's: a
    // copy watches none, an assigned board keeps its own.
    Board(const Board& other);
    Board& operator=(const Board& other);

    void setWidth(int newWidth) { width = newWidth; }
    void setHeight(int newHeight) { height = newHeight; }
    void setSteps(int newSteps) { steps = newSteps; }
    int boardWidth() const { return width; }
    int boardHeight() const { return height; }
    int stepCount() const { return steps; }

    // Sizes take effect here: the grids are reallocated only when the size
    // changed; both grids and the contact counter are cleared every time.
    void reset();
    // Writes the pattern's live cells with `code`; never clears, never wraps.
    // False, and nothing written, unless the pattern lies wholly inside the
    // board: whatever the numbers, no cell outside it is touched.
    bool stampPattern(const Pattern& pattern, int code, int left, int top, int patternWidth,
                      int patternHeight);
    // Whether a pattern of that size at that place lies wholly inside the
    // board as reset() sized it, in arithmetic that cannot wrap.
    bool holdsPattern(int left, int top, int patternWidth, int patternHeight) const;

    int countFirstSpecies() const;
    int countSecondSpecies() const;
    int contactCount() const { return contacts; }

    // The step rule for one cell, read from currentGrid. Counts a contact
    // when a second-species cell has two or more first-species neighbours.
    int nextState(int x, int y);

    // `steps` generations: by runBitPlanes(), or by runPerCell() on boards
    // of fewer than four cells. False when the cancel flag stopped it first:
    // the board is then at an earlier step, its counts partial.
    bool run();
    // Both perform `steps` generations with the same result. runPerCell()
    // applies nextState cell by cell and is the reference for tests and
    // benchmarks; it plays too few cells to be worth stopping.
    bool runBitPlanes();
    void runPerCell();
    // The flag run() looks at between blocks of steps (BitPlaneStepper's);
    // null for none. It must outlive the board's runs.
    void watchCancelFlag(const std::atomic<bool>* flag) { cancelFlag = flag; }
    // The steps between two looks at the flag, for the board's size as of
    // the last reset.
    int blockSteps() const { return planes.blockSteps(); }
    // The build of the bit-plane kernel and the counts: the fastest the CPU
    // supports unless another is chosen; false, and no change, for a build
    // the CPU lacks.
    bool useKernelBuild(KernelBuild build) { return planes.useBuild(build); }
    KernelBuild kernelBuild() const { return planes.build(); }

    int cellAt(int x, int y) const { return currentGrid[x + width * y]; }
    void setCell(int x, int y, int code) { currentGrid[x + width * y] = code; }

private:
    int width = 0;
    int height = 0;
    int allocatedWidth = 0;
    int allocatedHeight = 0;
    int steps = 100;
    int contacts = 0;
    const std::atomic<bool>* cancelFlag = nullptr;
    boost::shared_array<int> currentGrid;
    boost::shared_array<int> nextGrid;
    // Sized with the grids; holds the board only during runBitPlanes().
    BitPlaneStepper planes;
};
