#pragma once

#include "board/KernelBuild.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// The step rule computed on many cells at once. Each species is a bit plane,
// one bit per cell: row y, columns 64k to 64k + 63 are word k of that row
// (bit x % 64; bits past the width stay 0). A plane is stored word column by
// word column, so that the rows of one word column are consecutive and every
// pass runs down them four words at a time. The neighbour counts are summed
// with bit-sliced adders and the rule is a set of boolean formulas.
// Cell codes other than 1 and 2 load as empty: the rule treats them so.
class BitPlaneStepper
{
public:
    BitPlaneStepper();
    // Where its planes start depends on the address of its own storage.
    BitPlaneStepper(const BitPlaneStepper&) = delete;
    BitPlaneStepper& operator=(const BitPlaneStepper&) = delete;

    // Reallocates only when the size changed.
    void resize(int newWidth, int newHeight);

    // What a run did: the contacts counted and the steps played.
    struct Advance {
        int contacts = 0;
        int steps = 0;
    };

    // Loads the grid (width x height codes, row by row), advances it `steps`
    // generations, writes it back. With a cancel flag, the steps are played
    // in blocks of blockSteps() and the flag is looked at before each: once
    // it is raised the run ends at the end of a block, fewer steps played.
    Advance run(int* grid, int steps, const std::atomic<bool>* cancel = nullptr)
    {
        return (this->*kernel)(grid, steps, cancel);
    }
    // Steps a block of about the same work on every board size: a few
    // milliseconds on the largest board, every step of a usual match.
    int blockSteps() const { return stepsPerBlock; }

    // How many of `count` cells hold `code`, in the same build as run().
    int countCells(const int* cells, std::size_t count, int code) const
    {
        return counter(cells, count, code);
    }

    // Which build run() and countCells() use: the fastest the CPU supports
    // unless another is chosen. A build the CPU lacks is not taken; the
    // result says whether `chosen` is now in use.
    bool useBuild(KernelBuild chosen);
    KernelBuild build() const { return currentBuild; }

    // Where the bits shifted into a word column come from: the adjacent word
    // columns, or at the row ends the other end of the row, since rows wrap
    // at the real width (on a 1- or 2-wide row the same cell).
    struct ColumnEdges {
        std::size_t column;      // offset of the column's slot 0 in a plane
        std::ptrdiff_t toWest;   // from the column to its west neighbour
        int westShift;           // brings that neighbour's east end to bit 0
        std::ptrdiff_t toEast;   // from the column to its east neighbour
        int eastShift;           // brings that neighbour's bit 0 from bit 63 to the east end
        std::uint64_t widthMask; // the bits of the column inside the width
    };

private:
    using Word = std::uint64_t;

    using Cancel = const std::atomic<bool>*;
    template <typename Isa> Advance runKernel(int* grid, int steps, Cancel cancel);
    Advance runPortable(int* grid, int steps, Cancel cancel);
    Advance runPopcnt(int* grid, int steps, Cancel cancel);
    Advance runAvx2(int* grid, int steps, Cancel cancel);

    int width = 0;
    int height = 0;
    int wordsPerRow = 0;
    // Row y is slot 1 + y of a word column; slot height + 1 holds a copy of
    // the first row, so the sums of the rows below never wrap.
    int sumRows = 0;  // slots 1..sumRows get sums: every row and that copy
    int ruleRows = 0; // slots 1..ruleRows get the rule: every row, rounded up
    int stride = 0;   // slots per word column
    int stepsPerBlock = 1;
    KernelBuild currentBuild = KernelBuild::Portable;
    Advance (BitPlaneStepper::*kernel)(int*, int, Cancel) = &BitPlaneStepper::runPortable;
    int (*counter)(const int*, std::size_t, int) = nullptr;

    // The cell planes (current and next), the horizontal sums (west +
    // centre + east, two bits) and a mask of the slots that are rows, all in
    // one allocation: placed so that the blocks the passes store start on
    // 32-byte boundaries, which keeps them within cache lines.
    enum PlaneIndex {
        FirstSpecies,
        SecondSpecies,
        NextFirstSpecies,
        NextSecondSpecies,
        FirstSumsLow,
        FirstSumsHigh,
        SecondSumsLow,
        SecondSumsHigh,
        RealRows,
        planeCount
    };
    static constexpr int slotZero = 3; // index of slot 0 in a word column
    std::vector<Word> storage;
    std::size_t alignedStart = 0;
    std::size_t planeWords = 0;
    Word* plane(PlaneIndex index) { return storage.data() + alignedStart + index * planeWords; }
    std::size_t slot(int column, int slot) const
    {
        return static_cast<std::size_t>(column) * stride + slotZero + slot;
    }
    std::vector<ColumnEdges> columnEdges;
};
