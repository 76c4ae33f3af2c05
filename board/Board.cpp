#include "board/Board.h"

#include "board/StepRule.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

Board::Board(const Board& other)
{
    *this = other;
}

Board& Board::operator=(const Board& other)
{
    if (this == &other)
        return *this;
    width = other.width;
    height = other.height;
    steps = other.steps;
    contacts = other.contacts;
    allocatedWidth = other.allocatedWidth;
    allocatedHeight = other.allocatedHeight;
    const std::size_t cells =
        static_cast<std::size_t>(allocatedWidth) * static_cast<std::size_t>(allocatedHeight);
    currentGrid.reset();
    nextGrid.reset();
    if (other.currentGrid) {
        currentGrid.reset(new int[cells]);
        nextGrid.reset(new int[cells]);
        std::copy_n(other.currentGrid.get(), cells, currentGrid.get());
        std::copy_n(other.nextGrid.get(), cells, nextGrid.get());
        planes.resize(allocatedWidth, allocatedHeight);
    }
    planes.useBuild(other.planes.build());
    return *this;
}

void Board::reset()
{
    const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width != allocatedWidth || height != allocatedHeight) {
        // new[] throws std::bad_array_new_length rather than wrapping when the
        // byte count does not fit.
        currentGrid.reset(new int[cells]);
        nextGrid.reset(new int[cells]);
        planes.resize(width, height);
        allocatedWidth = width;
        allocatedHeight = height;
    }
    std::fill_n(currentGrid.get(), cells, 0);
    std::fill_n(nextGrid.get(), cells, 0);
    contacts = 0;
}

bool Board::holdsPattern(int left, int top, int patternWidth, int patternHeight) const
{
    // In 64 bits: a sum of two ints does not wrap there. A size that has
    // not taken effect (reset() makes the grids) holds none.
    return width == allocatedWidth && height == allocatedHeight && left >= 0 && top >= 0 &&
           patternWidth >= 0 && patternHeight >= 0 &&
           static_cast<long long>(left) + patternWidth <= width &&
           static_cast<long long>(top) + patternHeight <= height;
}

bool Board::stampPattern(const Pattern& pattern, int code, int left, int top, int patternWidth,
                         int patternHeight)
{
    if (!holdsPattern(left, top, patternWidth, patternHeight))
        return false;
    for (int i = 0; i < patternWidth; ++i)
        for (int j = 0; j < patternHeight; ++j)
            if (pattern[i + patternWidth * j] != 0)
                currentGrid[(left + i) + width * (top + j)] = code;
    return true;
}

int Board::countFirstSpecies() const
{
    return planes.countCells(currentGrid.get(), static_cast<std::size_t>(width) * height, 1);
}

int Board::countSecondSpecies() const
{
    return planes.countCells(currentGrid.get(), static_cast<std::size_t>(width) * height, 2);
}

int Board::nextState(int x, int y)
{
    int n1 = 0;
    int n2 = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0)
                continue;
            int nx = x + dx;
            int ny = y + dy;
            if (nx < 0)
                nx = width - 1;
            else if (nx == width)
                nx = 0;
            if (ny < 0)
                ny = height - 1;
            else if (ny == height)
                ny = 0;
            const int code = currentGrid[nx + width * ny];
            if (code == 1)
                ++n1;
            else if (code == 2)
                ++n2;
        }
    }

    const int own = currentGrid[x + width * y];
    // Counted before the outcome: also when the cell dies or converts.
    if (isContact(own, n1))
        ++contacts;
    return nextCellCode(own, n1, n2);
}

bool Board::run()
{
    // Below four cells the per-step cost of the planes outweighs the cells.
    if (static_cast<long long>(width) * height >= 4)
        return runBitPlanes();
    runPerCell();
    return true;
}

bool Board::runBitPlanes()
{
    const BitPlaneStepper::Advance advance = planes.run(currentGrid.get(), steps, cancelFlag);
    contacts += advance.contacts;
    return advance.steps >= steps;
}

void Board::runPerCell()
{
    for (int s = 0; s < steps; ++s) {
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y)
                nextGrid[x + width * y] = nextState(x, y);
        std::swap(currentGrid, nextGrid);
    }
}
