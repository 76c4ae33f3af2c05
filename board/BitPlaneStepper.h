#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The step rule computed on many cells at once. Each species is a bit plane,
// one bit per cell: row y, columns 64k to 64k + 63 are word k of that row
// (bit x % 64; bits past the width stay 0). A plane is stored word column by
// word column, so that the rows of one word column are consecutive and every
// pass runs down them with whole vector registers. The neighbour counts are
// summed with bit-sliced adders and the rule is a set of boolean formulas.
// Cell codes other than 1 and 2 load as empty: the rule treats them so.
class BitPlaneStepper
{
public:
    BitPlaneStepper();

    // Reallocates only when the size changed.
    void resize(int newWidth, int newHeight);

    void load(const int* grid);
    void store(int* grid) const;

    // `steps` generations; returns the contacts counted during them.
    int run(int steps) { return (this->*kernel)(steps); }

    // The AVX2 build of run() is used when the running CPU has AVX2; this
    // turns it off (or back on, where available), e.g. to test the other.
    void allowAvx2(bool allowed);

    // Where the bits shifted into a word column come from: the adjacent word
    // column, or at the row ends the other end of the row, since rows wrap at
    // the real width (on a 1- or 2-wide row the same cell). Offsets in a plane.
    struct ColumnEdges {
        std::size_t column;
        std::size_t westColumn;
        int westBit;
        std::size_t eastColumn;
        int eastBit;
        std::uint64_t widthMask;
    };

private:
    using Word = std::uint64_t;
    using Plane = std::vector<Word>;

    template <typename ContactCounter> int runKernel(int steps);
    int runPortable(int steps);
    int runPopcnt(int steps);
    int runAvx2(int steps);

    int width = 0;
    int height = 0;
    int wordsPerRow = 0;
    int lastBit = 0;
    // The rule pass covers the rows in whole blocks of four words.
    int rowBlocks = 0;
    // Slots per word column: a copy of the last row, the rows, a copy of the
    // first row and padding, so that every pass runs over whole blocks of
    // four words and reads the rows above and below without wrapping.
    int stride = 0;
    int (BitPlaneStepper::*kernel)(int) = &BitPlaneStepper::runPortable;

    Plane firstSpecies;
    Plane secondSpecies;
    Plane nextFirstSpecies;
    Plane nextSecondSpecies;
    // One word column's horizontal sums and contact cells, reused by each.
    Plane columnSums;
    Plane contactCells;
    std::vector<ColumnEdges> columnEdges;
};
