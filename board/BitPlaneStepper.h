#pragma once

#include <cstdint>
#include <vector>

// The step rule computed on many cells at once. Each species is a bit plane,
// one bit per cell, rows packed into 64-bit words (bit x % 64 of word x / 64;
// bits past the width stay 0). The neighbour counts are summed with
// bit-sliced adders and the rule is a set of boolean formulas on the counts;
// every pass is a plain loop over all words, which the compiler vectorises.
// Cell codes other than 1 and 2 load as empty: the rule treats them so.
class BitPlaneStepper
{
public:
    BitPlaneStepper();

    // Reallocates only when the size changed.
    void resize(int newWidth, int newHeight);

    void load(const int* grid);
    void store(int* grid) const;

    // One generation; returns the contacts counted during it.
    int step() { return (this->*kernel)(); }

    // The AVX2 build of step() is used when the running CPU has AVX2; this
    // turns it off (or back on, where available), e.g. to test the other.
    void allowAvx2(bool allowed);

private:
    using Word = std::uint64_t;
    using Plane = std::vector<Word>;

    int stepKernel();
    int stepPortable();
    int stepPopcnt();
    int stepAvx2();

    int width = 0;
    int height = 0;
    int wordsPerRow = 0;
    int words = 0;
    int lastBit = 0;
    int (BitPlaneStepper::*kernel)() = &BitPlaneStepper::stepPortable;

    // Species planes hold a spare word before and after the cells, so that
    // every word has a left and a right neighbour word to read.
    Plane firstSpecies;
    Plane secondSpecies;
    Plane nextFirstSpecies;
    Plane nextSecondSpecies;
    // Horizontal sums per row, west + centre + east and west + east, each a
    // two-bit number (low and high plane), with a copy of the last row
    // before the first and of the first row after the last.
    Plane firstTripleLow, firstTripleHigh, firstPairLow, firstPairHigh;
    Plane secondTripleLow, secondTripleHigh, secondPairLow, secondPairHigh;
    // Per word: the bits shifted in from outside it, and the bits inside the
    // width (all but the last word of each row are full).
    Plane westCarry, eastCarry, rowMask;
    Plane contactPlane;
};
