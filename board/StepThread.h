#pragma once

#include "board/Board.h"

#include "board/HandOffThread.h"

// The battle board on a thread of its own: run() advances its Board `steps`
// generations. One thread uses it at a time: the owner resets and stamps it,
// start() hands it to its own thread, wait() hands it back.
class StepThread : public HandOffThread
{
    Q_OBJECT

public:
    explicit StepThread(QObject* parent = nullptr);

    void setWidth(int newWidth) { cells.setWidth(newWidth); }
    void setHeight(int newHeight) { cells.setHeight(newHeight); }
    void setSteps(int newSteps) { cells.setSteps(newSteps); }
    void reset() { cells.reset(); }
    bool stampPattern(const Pattern& pattern, int code, int left, int top, int patternWidth,
                      int patternHeight)
    {
        return cells.stampPattern(pattern, code, left, top, patternWidth, patternHeight);
    }

    int countFirstSpecies() const { return cells.countFirstSpecies(); }
    int countSecondSpecies() const { return cells.countSecondSpecies(); }
    int contactCount() const { return cells.contactCount(); }
    int nextState(int x, int y) { return cells.nextState(x, y); }

    int boardWidth() const { return cells.boardWidth(); }
    int boardHeight() const { return cells.boardHeight(); }
    int cellAt(int x, int y) const { return cells.cellAt(x, y); }
    void setCell(int x, int y, int code) { cells.setCell(x, y, code); }

    // The board itself, for the owner while no run is in progress.
    Board& board() { return cells; }
    const Board& board() const { return cells; }

protected:
    void run() override;

private:
    Board cells;
};
