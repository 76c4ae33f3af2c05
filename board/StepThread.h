#pragma once

#include "board/BitPlaneStepper.h"
#include "board/Pattern.h"

#include <QDeadlineTimer>
#include <QThread>
#include <boost/shared_array.hpp>

class QPainter;

// The two-species battle board: a torus of cell codes (0 empty, 1 first
// species, 2 second species) and a thread of its own that advances it
// `steps` generations per run. One thread uses it at a time: the owner
// resets and stamps it, start() hands it to its own thread, wait() hands it
// back.
class StepThread : public QThread
{
    Q_OBJECT

public:
    explicit StepThread(QObject* parent = nullptr);
    ~StepThread() override;

    void setWidth(int newWidth) { width = newWidth; }
    void setHeight(int newHeight) { height = newHeight; }
    void setSteps(int newSteps) { steps = newSteps; }

    // Sizes take effect here: the grids are reallocated only when the size
    // changed; both grids and the contact counter are cleared every time.
    void reset();
    // Writes the pattern's live cells with `code`; never clears, never wraps.
    void stampPattern(const Pattern& pattern, int code, int left, int top, int patternWidth,
                      int patternHeight);

    // QThread::start and QThread::wait, marking the hand-over of the board
    // to its thread and back in a way ThreadSanitizer sees (run() marks its
    // side). They hide QThread's own, so every owner's start and wait mark.
    void start(Priority priority = InheritPriority);
    bool wait(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    bool wait(unsigned long milliseconds)
    {
        return wait(QDeadlineTimer(static_cast<qint64>(milliseconds)));
    }

    int countFirstSpecies() const;
    int countSecondSpecies() const;
    int contactCount() const { return contacts; }

    // The step rule for one cell, read from currentGrid. Counts a contact
    // when a second-species cell has two or more first-species neighbours.
    int nextState(int x, int y);

    // What run() does, on the calling thread: `steps` generations by
    // runBitPlanes(), or by runPerCell() on boards of fewer than four cells.
    void runSteps();
    // Both perform `steps` generations on the calling thread with the same
    // result. runPerCell() applies nextState cell by cell and is the
    // reference for tests and benchmarks.
    void runBitPlanes();
    void runPerCell();
    // The build of the bit-plane kernel and the counts: the fastest the CPU
    // supports unless another is chosen; false, and no change, for a build
    // the CPU lacks.
    bool useKernelBuild(KernelBuild build) { return planes.useBuild(build); }
    KernelBuild kernelBuild() const { return planes.build(); }

    // Paints currentGrid with the sprite sheet; leaves pen and brush as found.
    void draw(QPainter* painter) const;

    int boardWidth() const { return width; }
    int boardHeight() const { return height; }
    int cellAt(int x, int y) const { return currentGrid[x + width * y]; }
    void setCell(int x, int y, int code) { currentGrid[x + width * y] = code; }

protected:
    void run() override;

private:
    int width = 0;
    int height = 0;
    int allocatedWidth = 0;
    int allocatedHeight = 0;
    int steps = 100;
    int contacts = 0;
    boost::shared_array<int> currentGrid;
    boost::shared_array<int> nextGrid;
    // Sized with the grids; holds the board only during runBitPlanes().
    BitPlaneStepper planes;
};
