#pragma once

#include <cstdint>
#include <vector>

// The step rule computed 64 cells at a time. Each species is a bit plane,
// one bit per cell, rows packed into 64-bit words (bit x % 64 of word x / 64;
// bits past the width stay 0). The neighbour counts are summed with
// bit-sliced adders and the rule is a set of boolean formulas on the counts.
// Cell codes other than 1 and 2 load as empty: the rule treats them so.
class BitPlaneStepper
{
public:
    // Reallocates only when the size changed.
    void resize(int newWidth, int newHeight);

    void load(const int* grid);
    void store(int* grid) const;

    // One generation; returns the contacts counted during it.
    int step();

private:
    // Horizontal neighbour sums of one word of one row: west + centre + east
    // and west + east, each as a two-bit number (low and high plane).
    struct RowSums {
        std::uint64_t tripleLow;
        std::uint64_t tripleHigh;
        std::uint64_t pairLow;
        std::uint64_t pairHigh;
    };

    int width = 0;
    int height = 0;
    int wordsPerRow = 0;
    int lastBit = 0;
    std::uint64_t lastWordMask = 0;
    std::vector<std::uint64_t> firstSpecies;
    std::vector<std::uint64_t> secondSpecies;
    std::vector<std::uint64_t> nextFirstSpecies;
    std::vector<std::uint64_t> nextSecondSpecies;
    std::vector<RowSums> firstSums;
    std::vector<RowSums> secondSums;
};
