#include "board/BitPlaneStepper.h"

#include <algorithm>
#include <cstddef>
#include <utility>

using Word = std::uint64_t;

namespace
{

inline void halfAdd(Word a, Word b, Word& sum, Word& carry)
{
    sum = a ^ b;
    carry = a & b;
}

inline void fullAdd(Word a, Word b, Word c, Word& sum, Word& carry)
{
    const Word ab = a ^ b;
    sum = ab ^ c;
    carry = (a & b) | (ab & c);
}

inline int popcount(Word w)
{
#if defined(__GNUC__)
    return __builtin_popcountll(w);
#else
    w = w - ((w >> 1) & 0x5555555555555555u);
    w = (w & 0x3333333333333333u) + ((w >> 2) & 0x3333333333333333u);
    w = (w + (w >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<int>((w * 0x0101010101010101u) >> 56);
#endif
}

// A neighbour count 0..8 as bit planes: count = ones + 2 * twos + 4 * (...),
// where only "is it four or more" is kept of the high part.
struct NeighbourCount {
    Word ones;
    Word twos;
    Word atLeastFour;
};

// Adds the three rows' horizontal sums: the rows above and below give
// west + centre + east, the own row west + east.
template <typename Sums>
inline NeighbourCount neighbourCount(const Sums& above, const Sums& own, const Sums& below)
{
    NeighbourCount count;
    Word carryOnes;
    fullAdd(above.tripleLow, own.pairLow, below.tripleLow, count.ones, carryOnes);
    Word highSum;
    Word fourFromHighs;
    fullAdd(above.tripleHigh, own.pairHigh, below.tripleHigh, highSum, fourFromHighs);
    Word fourFromCarry;
    halfAdd(highSum, carryOnes, count.twos, fourFromCarry);
    count.atLeastFour = fourFromHighs | fourFromCarry;
    return count;
}

} // namespace

void BitPlaneStepper::resize(int newWidth, int newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    width = newWidth;
    height = newHeight;
    wordsPerRow = (width + 63) / 64;
    lastBit = (width - 1) % 64;
    lastWordMask = lastBit == 63 ? ~Word{0} : (Word{1} << (lastBit + 1)) - 1;
    const std::size_t words = static_cast<std::size_t>(wordsPerRow) * height;
    firstSpecies.assign(words, 0);
    secondSpecies.assign(words, 0);
    nextFirstSpecies.assign(words, 0);
    nextSecondSpecies.assign(words, 0);
    firstSums.assign(words, RowSums{});
    secondSums.assign(words, RowSums{});
}

void BitPlaneStepper::load(const int* grid)
{
    for (int y = 0; y < height; ++y) {
        const int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k) {
            const int cellsInWord = std::min(64, width - 64 * k);
            Word first = 0;
            Word second = 0;
            for (int bit = 0; bit < cellsInWord; ++bit) {
                const int code = row[64 * k + bit];
                first |= Word{code == 1} << bit;
                second |= Word{code == 2} << bit;
            }
            firstSpecies[y * wordsPerRow + k] = first;
            secondSpecies[y * wordsPerRow + k] = second;
        }
    }
}

void BitPlaneStepper::store(int* grid) const
{
    for (int y = 0; y < height; ++y) {
        int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k) {
            const int cellsInWord = std::min(64, width - 64 * k);
            const Word first = firstSpecies[y * wordsPerRow + k];
            const Word second = secondSpecies[y * wordsPerRow + k];
            // A cell is never in both planes, so the two bits make its code.
            for (int bit = 0; bit < cellsInWord; ++bit)
                row[64 * k + bit] = static_cast<int>((first >> bit) & 1) |
                                    static_cast<int>(((second >> bit) & 1) << 1);
        }
    }
}

namespace
{

// West and east neighbour planes of word k of a row, wrapping at the real
// width: the west neighbour of column 0 is column width - 1 and the east
// neighbour of column width - 1 is column 0. On a 1- or 2-wide row both
// are the same cell, as the rule wants.
template <typename Sums>
inline void sumRow(const Word* row, int wordsPerRow, int lastBit, Word lastWordMask, Sums* sums)
{
    const int last = wordsPerRow - 1;
    for (int k = 0; k <= last; ++k) {
        const Word centre = row[k];
        Word west = (centre << 1) | (k > 0 ? row[k - 1] >> 63 : (row[last] >> lastBit) & 1);
        Word east = (centre >> 1) | (k < last ? row[k + 1] << 63 : (row[0] & 1) << lastBit);
        if (k == last)
            west &= lastWordMask;
        fullAdd(west, centre, east, sums[k].tripleLow, sums[k].tripleHigh);
        halfAdd(west, east, sums[k].pairLow, sums[k].pairHigh);
    }
}

} // namespace

#if defined(__x86_64__) && defined(__GNUC__)
// The portable build has no POPCNT; pick the instruction on CPUs that have it.
__attribute__((target_clones("popcnt", "default")))
#endif
int BitPlaneStepper::step()
{
    for (int y = 0; y < height; ++y) {
        const std::size_t at = static_cast<std::size_t>(wordsPerRow) * y;
        sumRow(&firstSpecies[at], wordsPerRow, lastBit, lastWordMask, &firstSums[at]);
        sumRow(&secondSpecies[at], wordsPerRow, lastBit, lastWordMask, &secondSums[at]);
    }

    int contacts = 0;
    for (int y = 0; y < height; ++y) {
        const std::size_t above =
            static_cast<std::size_t>(wordsPerRow) * (y == 0 ? height - 1 : y - 1);
        const std::size_t own = static_cast<std::size_t>(wordsPerRow) * y;
        const std::size_t below =
            static_cast<std::size_t>(wordsPerRow) * (y == height - 1 ? 0 : y + 1);
        for (int k = 0; k < wordsPerRow; ++k) {
            const NeighbourCount n1 =
                neighbourCount(firstSums[above + k], firstSums[own + k], firstSums[below + k]);
            const NeighbourCount n2 =
                neighbourCount(secondSums[above + k], secondSums[own + k], secondSums[below + k]);

            const Word n1TwoOrThree = n1.twos & ~n1.atLeastFour;
            const Word n1Three = n1TwoOrThree & n1.ones;
            const Word n1AtLeastTwo = n1.twos | n1.atLeastFour;
            const Word n2TwoOrThree = n2.twos & ~n2.atLeastFour;
            const Word n2Three = n2TwoOrThree & n2.ones;

            const Word first = firstSpecies[own + k];
            const Word second = secondSpecies[own + k];
            const Word empty = ~(first | second);

            const Word firstSurvives = first & n1TwoOrThree;
            const Word secondLives = second & n2TwoOrThree;
            const Word secondConverted = secondLives & n1AtLeastTwo;
            const Word secondSurvives = secondLives & ~n1AtLeastTwo;
            const Word firstBorn = empty & n1Three;
            const Word secondBorn = empty & ~n1Three & n2Three;

            nextFirstSpecies[own + k] = firstSurvives | secondConverted | firstBorn;
            nextSecondSpecies[own + k] = secondSurvives | secondBorn;
            contacts += popcount(second & n1AtLeastTwo);
        }
    }
    std::swap(firstSpecies, nextFirstSpecies);
    std::swap(secondSpecies, nextSecondSpecies);
    return contacts;
}
