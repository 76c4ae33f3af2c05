#include "board/BitPlaneStepper.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace
{

using Word = std::uint64_t;

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

// What the rule asks of a neighbour count 0..8, as bit planes.
struct NeighbourCount {
    Word ones;
    Word twoOrThree;
    Word atLeastTwo;
};

// Adds the three rows' horizontal sums (two-bit numbers): the rows above and
// below give west + centre + east, the own row west + east.
inline NeighbourCount neighbourCount(Word aboveLow, Word aboveHigh, Word ownLow, Word ownHigh,
                                     Word belowLow, Word belowHigh)
{
    // count = ones + 2 * (carry + twos) + 4 * fours
    NeighbourCount count;
    Word carry;
    fullAdd(aboveLow, ownLow, belowLow, count.ones, carry);
    Word twos;
    Word fours;
    fullAdd(aboveHigh, ownHigh, belowHigh, twos, fours);
    count.twoOrThree = (twos ^ carry) & ~fours;
    count.atLeastTwo = twos | carry | fours;
    return count;
}

} // namespace

BitPlaneStepper::BitPlaneStepper()
{
    allowAvx2(true);
}

void BitPlaneStepper::allowAvx2(bool allowed)
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (allowed && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        kernel = &BitPlaneStepper::stepAvx2;
    else if (__builtin_cpu_supports("popcnt"))
        kernel = &BitPlaneStepper::stepPopcnt;
    else
        kernel = &BitPlaneStepper::stepPortable;
#else
    (void)allowed;
    kernel = &BitPlaneStepper::stepPortable;
#endif
}

void BitPlaneStepper::resize(int newWidth, int newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    width = newWidth;
    height = newHeight;
    wordsPerRow = (width + 63) / 64;
    words = wordsPerRow * height;
    lastBit = (width - 1) % 64;
    const Word lastWordMask = lastBit == 63 ? ~Word{0} : (Word{1} << (lastBit + 1)) - 1;
    const std::size_t cellWords = static_cast<std::size_t>(words);
    const std::size_t withWrappedRows = cellWords + 2 * static_cast<std::size_t>(wordsPerRow);
    for (Plane* plane : {&firstSpecies, &secondSpecies, &nextFirstSpecies, &nextSecondSpecies})
        plane->assign(cellWords + 2, 0);
    for (Plane* plane : {&westCarry, &eastCarry, &contactPlane})
        plane->assign(cellWords, 0);
    rowMask.assign(cellWords, ~Word{0});
    for (std::size_t last = wordsPerRow - 1; last < cellWords; last += wordsPerRow)
        rowMask[last] = lastWordMask;
    for (Plane* plane : {&firstTripleLow, &firstTripleHigh, &firstPairLow, &firstPairHigh,
                         &secondTripleLow, &secondTripleHigh, &secondPairLow, &secondPairHigh})
        plane->assign(withWrappedRows, 0);
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
            firstSpecies[1 + y * wordsPerRow + k] = first;
            secondSpecies[1 + y * wordsPerRow + k] = second;
        }
    }
}

void BitPlaneStepper::store(int* grid) const
{
    for (int y = 0; y < height; ++y) {
        int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k) {
            const int cellsInWord = std::min(64, width - 64 * k);
            const Word first = firstSpecies[1 + y * wordsPerRow + k];
            const Word second = secondSpecies[1 + y * wordsPerRow + k];
            // A cell is never in both planes, so the two bits make its code.
            for (int bit = 0; bit < cellsInWord; ++bit)
                row[64 * k + bit] = static_cast<int>((first >> bit) & 1) |
                                    static_cast<int>(((second >> bit) & 1) << 1);
        }
    }
}

#if defined(__GNUC__)
#define COEVOLIFE_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define COEVOLIFE_ALWAYS_INLINE inline
#endif

// The passes of one step, each a plain loop over the words that the compiler
// vectorises (free functions with unaliased pointers, which it needs for that).
namespace
{

// The bit each word's west and east neighbour planes take from outside the
// word: from the adjacent word (the planes have a spare word at either
// end) ...
COEVOLIFE_ALWAYS_INLINE void carryBits(const Word* __restrict cells, Word* __restrict westCarry,
                                       Word* __restrict eastCarry, int words)
{
    for (int i = 0; i < words; ++i) {
        westCarry[i] = cells[i - 1] >> 63;
        eastCarry[i] = cells[i + 1] << 63;
    }
}

// ... except at the row ends, which wrap at the real width: the west
// neighbour of column 0 is column width - 1 and the east neighbour of column
// width - 1 is column 0 (on a 1- or 2-wide row the same cell).
COEVOLIFE_ALWAYS_INLINE void wrapRowEnds(const Word* __restrict cells, Word* __restrict westCarry,
                                         Word* __restrict eastCarry, int words, int rowWords,
                                         int lastBit)
{
    for (int row = 0; row < words; row += rowWords) {
        const int last = row + rowWords - 1;
        westCarry[row] = (cells[last] >> lastBit) & 1;
        eastCarry[last] = (cells[row] & 1) << lastBit;
    }
}

// Horizontal sums as two-bit numbers: west + centre + east and west + east.
// The row mask keeps the bits past the width 0.
COEVOLIFE_ALWAYS_INLINE void sumRows(const Word* __restrict cells, const Word* __restrict westCarry,
                                     const Word* __restrict eastCarry,
                                     const Word* __restrict rowMask, Word* __restrict tripleLow,
                                     Word* __restrict tripleHigh, Word* __restrict pairLow,
                                     Word* __restrict pairHigh, int words)
{
    for (int i = 0; i < words; ++i) {
        const Word west = ((cells[i] << 1) & rowMask[i]) | westCarry[i];
        const Word east = (cells[i] >> 1) | eastCarry[i];
        // Stored from locals: the compiler vectorises that.
        Word sum;
        Word carry;
        halfAdd(west, east, sum, carry);
        pairLow[i] = sum;
        pairHigh[i] = carry;
        fullAdd(west, east, cells[i], sum, carry);
        tripleLow[i] = sum;
        tripleHigh[i] = carry;
    }
}

struct SpeciesSums {
    const Word* tripleLow;
    const Word* tripleHigh;
    const Word* pairLow;
    const Word* pairHigh;
};

// The rule table on whole words. Sums are indexed one row down: row y of
// the board reads sums rows y (above), y + 1 (own) and y + 2 (below).
COEVOLIFE_ALWAYS_INLINE void applyRule(const Word* __restrict first, const Word* __restrict second,
                                       SpeciesSums s1, SpeciesSums s2, Word* __restrict nextFirst,
                                       Word* __restrict nextSecond, Word* __restrict contactCells,
                                       int words, int rowWords)
{
    const Word* __restrict tripleLow1 = s1.tripleLow;
    const Word* __restrict tripleHigh1 = s1.tripleHigh;
    const Word* __restrict pairLow1 = s1.pairLow + rowWords;
    const Word* __restrict pairHigh1 = s1.pairHigh + rowWords;
    const Word* __restrict tripleLow2 = s2.tripleLow;
    const Word* __restrict tripleHigh2 = s2.tripleHigh;
    const Word* __restrict pairLow2 = s2.pairLow + rowWords;
    const Word* __restrict pairHigh2 = s2.pairHigh + rowWords;
    const int below = 2 * rowWords;
    for (int i = 0; i < words; ++i) {
        const NeighbourCount n1 =
            neighbourCount(tripleLow1[i], tripleHigh1[i], pairLow1[i], pairHigh1[i],
                           tripleLow1[i + below], tripleHigh1[i + below]);
        const NeighbourCount n2 =
            neighbourCount(tripleLow2[i], tripleHigh2[i], pairLow2[i], pairHigh2[i],
                           tripleLow2[i + below], tripleHigh2[i + below]);
        const Word n1Three = n1.twoOrThree & n1.ones;
        const Word n2Three = n2.twoOrThree & n2.ones;

        const Word empty = ~(first[i] | second[i]);
        const Word firstSurvives = first[i] & n1.twoOrThree;
        const Word secondLives = second[i] & n2.twoOrThree;
        const Word secondConverted = secondLives & n1.atLeastTwo;
        const Word secondSurvives = secondLives & ~n1.atLeastTwo;
        const Word firstBorn = empty & n1Three;
        const Word secondBorn = empty & ~n1Three & n2Three;

        nextFirst[i] = firstSurvives | secondConverted | firstBorn;
        nextSecond[i] = secondSurvives | secondBorn;
        contactCells[i] = second[i] & n1.atLeastTwo;
    }
}

COEVOLIFE_ALWAYS_INLINE int countBits(const Word* __restrict plane, int words)
{
    int bits = 0;
    for (int i = 0; i < words; ++i)
        bits += popcount(plane[i]);
    return bits;
}

} // namespace

// Built once per instruction set below.
COEVOLIFE_ALWAYS_INLINE int BitPlaneStepper::stepKernel()
{
    const Word* first = firstSpecies.data() + 1;
    const Word* second = secondSpecies.data() + 1;
    // Row sums go one row down, leaving room for the wrapped rows.
    const int at = wordsPerRow;
    carryBits(first, westCarry.data(), eastCarry.data(), words);
    wrapRowEnds(first, westCarry.data(), eastCarry.data(), words, wordsPerRow, lastBit);
    sumRows(first, westCarry.data(), eastCarry.data(), rowMask.data(), &firstTripleLow[at],
            &firstTripleHigh[at], &firstPairLow[at], &firstPairHigh[at], words);
    carryBits(second, westCarry.data(), eastCarry.data(), words);
    wrapRowEnds(second, westCarry.data(), eastCarry.data(), words, wordsPerRow, lastBit);
    sumRows(second, westCarry.data(), eastCarry.data(), rowMask.data(), &secondTripleLow[at],
            &secondTripleHigh[at], &secondPairLow[at], &secondPairHigh[at], words);
    // The row above the first is the last and the row below the last is the
    // first (on 1- and 2-row boards the same row twice).
    for (Plane* sums : {&firstTripleLow, &firstTripleHigh, &secondTripleLow, &secondTripleHigh}) {
        Word* rows = sums->data();
        for (int k = 0; k < wordsPerRow; ++k) {
            rows[k] = rows[words + k];
            rows[words + wordsPerRow + k] = rows[wordsPerRow + k];
        }
    }

    applyRule(
        first, second,
        {firstTripleLow.data(), firstTripleHigh.data(), firstPairLow.data(), firstPairHigh.data()},
        {secondTripleLow.data(), secondTripleHigh.data(), secondPairLow.data(),
         secondPairHigh.data()},
        nextFirstSpecies.data() + 1, nextSecondSpecies.data() + 1, contactPlane.data(), words,
        wordsPerRow);
    std::swap(firstSpecies, nextFirstSpecies);
    std::swap(secondSpecies, nextSecondSpecies);
    return countBits(contactPlane.data(), words);
}

int BitPlaneStepper::stepPortable()
{
    return stepKernel();
}

#if defined(__x86_64__) && defined(__GNUC__)
// The portable build has neither POPCNT nor AVX2; these run where the CPU
// has them.
__attribute__((target("popcnt"))) int BitPlaneStepper::stepPopcnt()
{
    return stepKernel();
}

__attribute__((target("avx2,popcnt"))) int BitPlaneStepper::stepAvx2()
{
    return stepKernel();
}
#endif
