#include "board/BitPlaneStepper.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace
{

using Word = std::uint64_t;

// Every pass runs over whole blocks of this many words (one AVX2 register).
const int blockWords = 4;

int roundUpToBlock(int n)
{
    return (n + blockWords - 1) / blockWords * blockWords;
}

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

// One species' horizontal sums, each a two-bit number (low and high plane).
struct RowSums {
    Word* tripleLow; // west + centre + east
    Word* tripleHigh;
    Word* pairLow; // west + east
    Word* pairHigh;
};

RowSums rowSums(Word* sums, int stride)
{
    return {sums, sums + stride, sums + 2 * stride, sums + 3 * stride};
}

// Bit i is set where cells[i] == code, for i < count (at most 64).
inline Word cellsEqual(const int* cells, int count, int code)
{
    Word bits = 0;
    int i = 0;
#if defined(__SSE2__)
    // Four cells per compare: the mask of the equal lanes is their four bits.
    const __m128i wanted = _mm_set1_epi32(code);
    for (; i + 4 <= count; i += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + i));
        const int equal = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, wanted)));
        bits |= static_cast<Word>(equal) << i;
    }
#endif
    for (; i < count; ++i)
        bits |= Word{cells[i] == code} << i;
    return bits;
}

// Writes the codes of count cells (at most 64) from their bits in the two
// planes: a cell is never in both, so the two bits make its code.
inline void writeCodes(int* cells, int count, Word first, Word second)
{
    int i = 0;
#if defined(__SSE2__)
    // Four cells at a time: lane j tests bit j of the first and bit 4 + j of
    // the second species' nibble.
    const __m128i firstBits = _mm_setr_epi32(1, 2, 4, 8);
    const __m128i secondBits = _mm_setr_epi32(16, 32, 64, 128);
    for (; i + 4 <= count; i += 4) {
        const int nibbles = static_cast<int>(((first >> i) & 15) | (((second >> i) & 15) << 4));
        const __m128i both = _mm_set1_epi32(nibbles);
        const __m128i isFirst = _mm_cmpeq_epi32(_mm_and_si128(both, firstBits), firstBits);
        const __m128i isSecond = _mm_cmpeq_epi32(_mm_and_si128(both, secondBits), secondBits);
        const __m128i codes = _mm_or_si128(_mm_and_si128(isFirst, _mm_set1_epi32(1)),
                                           _mm_and_si128(isSecond, _mm_set1_epi32(2)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + i), codes);
    }
#endif
    for (; i < count; ++i)
        cells[i] = static_cast<int>((first >> i) & 1) | static_cast<int>(((second >> i) & 1) << 1);
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
        kernel = &BitPlaneStepper::runAvx2;
    else if (__builtin_cpu_supports("popcnt"))
        kernel = &BitPlaneStepper::runPopcnt;
    else
        kernel = &BitPlaneStepper::runPortable;
#else
    (void)allowed;
    kernel = &BitPlaneStepper::runPortable;
#endif
}

void BitPlaneStepper::resize(int newWidth, int newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    width = newWidth;
    height = newHeight;
    wordsPerRow = (width + 63) / 64;
    lastBit = (width - 1) % 64;
    // Slot 0, rows 1..height, then at least the copy of the first row and
    // the last block's overhang.
    rowBlocks = roundUpToBlock(height) / blockWords;
    stride = (rowBlocks + 1) * blockWords;
    const std::size_t planeWords = static_cast<std::size_t>(wordsPerRow) * stride;
    for (Plane* plane : {&firstSpecies, &secondSpecies, &nextFirstSpecies, &nextSecondSpecies})
        plane->assign(planeWords, 0);
    columnSums.assign(8 * static_cast<std::size_t>(stride), 0);
    const Word lastWordMask = lastBit == 63 ? ~Word{0} : (Word{1} << (lastBit + 1)) - 1;
    const int last = wordsPerRow - 1;
    columnEdges.clear();
    for (int k = 0; k <= last; ++k)
        columnEdges.push_back({static_cast<std::size_t>(k) * stride,
                               static_cast<std::size_t>(k == 0 ? last : k - 1) * stride,
                               k == 0 ? lastBit : 63,
                               static_cast<std::size_t>(k == last ? 0 : k + 1) * stride,
                               k == last ? lastBit : 63, k == last ? lastWordMask : ~Word{0}});
    contactCells.assign(static_cast<std::size_t>(stride), 0);
}

void BitPlaneStepper::load(const int* grid)
{
    for (int y = 0; y < height; ++y) {
        const int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k) {
            const int cellsInWord = std::min(64, width - 64 * k);
            firstSpecies[k * stride + 1 + y] = cellsEqual(row + 64 * k, cellsInWord, 1);
            secondSpecies[k * stride + 1 + y] = cellsEqual(row + 64 * k, cellsInWord, 2);
        }
    }
    for (Plane* plane : {&firstSpecies, &secondSpecies}) {
        for (int k = 0; k < wordsPerRow; ++k) {
            Word* column = plane->data() + k * stride;
            column[0] = column[height];
            column[height + 1] = column[1];
        }
    }
}

void BitPlaneStepper::store(int* grid) const
{
    for (int y = 0; y < height; ++y) {
        int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k)
            writeCodes(row + 64 * k, std::min(64, width - 64 * k), firstSpecies[k * stride + 1 + y],
                       secondSpecies[k * stride + 1 + y]);
    }
}

#if defined(__GNUC__)
#define COEVOLIFE_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define COEVOLIFE_ALWAYS_INLINE inline
#endif
// Tells the vectoriser that a loop's stores never feed its loads.
#if defined(__GNUC__) && !defined(__clang__)
#define COEVOLIFE_IVDEP _Pragma("GCC ivdep")
#else
#define COEVOLIFE_IVDEP
#endif

// The two passes over a word column, plain loops over whole blocks that the
// compiler vectorises (unaliased pointers, which it needs for that).
namespace
{

// The west and east neighbours of a word; the width mask keeps the bits
// past the width 0.
struct Neighbours {
    Word west;
    Word east;
};

inline Neighbours neighbours(Word cells, Word westCells, int westBit, Word eastCells, int eastBit,
                             Word widthMask)
{
    return {((cells << 1) & widthMask) | ((westCells >> westBit) & 1),
            (cells >> 1) | ((eastCells & 1) << eastBit)};
}

inline void storeSums(Word cells, Neighbours n, RowSums sums, int i)
{
    halfAdd(n.west, n.east, sums.pairLow[i], sums.pairHigh[i]);
    fullAdd(n.west, n.east, cells, sums.tripleLow[i], sums.tripleHigh[i]);
}

// Horizontal sums of both species for every slot of one word column, the
// copied rows included. The planes and sums never overlap.
COEVOLIFE_ALWAYS_INLINE void sumRows(const Word* first, const Word* second,
                                     const BitPlaneStepper::ColumnEdges& e, RowSums sums1,
                                     RowSums sums2, int slotBlocks)
{
    const std::size_t column = e.column;
    const std::size_t westColumn = e.westColumn;
    const std::size_t eastColumn = e.eastColumn;
    const int westBit = e.westBit;
    const int eastBit = e.eastBit;
    const Word widthMask = e.widthMask;
    for (int b = 0; b < slotBlocks; ++b) {
        COEVOLIFE_IVDEP
        for (int i = b * blockWords; i < (b + 1) * blockWords; ++i) {
            const std::size_t at = column + i;
            const std::size_t west = westColumn + i;
            const std::size_t east = eastColumn + i;
            storeSums(first[at],
                      neighbours(first[at], first[west], westBit, first[east], eastBit, widthMask),
                      sums1, i);
            storeSums(
                second[at],
                neighbours(second[at], second[west], westBit, second[east], eastBit, widthMask),
                sums2, i);
        }
    }
}

// The rule table on whole words, for the rows from slot 1 on; row slot i
// reads the sums of slots i - 1 (above), i (own) and i + 1 (below).
COEVOLIFE_ALWAYS_INLINE void applyRule(const Word* __restrict first, const Word* __restrict second,
                                       RowSums s1, RowSums s2, Word* __restrict nextFirst,
                                       Word* __restrict nextSecond, Word* __restrict contacts,
                                       int rows)
{
    const Word* __restrict tripleLow1 = s1.tripleLow;
    const Word* __restrict tripleHigh1 = s1.tripleHigh;
    const Word* __restrict pairLow1 = s1.pairLow;
    const Word* __restrict pairHigh1 = s1.pairHigh;
    const Word* __restrict tripleLow2 = s2.tripleLow;
    const Word* __restrict tripleHigh2 = s2.tripleHigh;
    const Word* __restrict pairLow2 = s2.pairLow;
    const Word* __restrict pairHigh2 = s2.pairHigh;
    for (int i = 1; i <= rows; ++i) {
        const NeighbourCount n1 =
            neighbourCount(tripleLow1[i - 1], tripleHigh1[i - 1], pairLow1[i], pairHigh1[i],
                           tripleLow1[i + 1], tripleHigh1[i + 1]);
        const NeighbourCount n2 =
            neighbourCount(tripleLow2[i - 1], tripleHigh2[i - 1], pairLow2[i], pairHigh2[i],
                           tripleLow2[i + 1], tripleHigh2[i + 1]);
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
        contacts[i] = second[i] & n1.atLeastTwo;
    }
}

// Sums the contact cells one word at a time.
class ScalarContactCounter
{
public:
    explicit ScalarContactCounter(int rows) : rows(rows) {}

    COEVOLIFE_ALWAYS_INLINE void add(const Word* __restrict words)
    {
        for (int i = 0; i < rows; ++i)
            total += popcount(words[i]);
    }
    int sum() const { return total; }

private:
    int rows;
    int total = 0;
};

} // namespace

// Built once per instruction set below.
template <typename ContactCounter> COEVOLIFE_ALWAYS_INLINE int BitPlaneStepper::runKernel(int steps)
{
    const int last = wordsPerRow - 1;
    const int ruleRows = rowBlocks * blockWords;
    // Current and next planes change places after every step.
    Word* first = firstSpecies.data();
    Word* second = secondSpecies.data();
    Word* nextFirst = nextFirstSpecies.data();
    Word* nextSecond = nextSecondSpecies.data();
    const RowSums sums1 = rowSums(columnSums.data(), stride);
    const RowSums sums2 = rowSums(columnSums.data() + 4 * stride, stride);
    Word* contactWords = contactCells.data();
    ContactCounter contacts(height);
    for (int s = 0; s < steps; ++s) {
        for (int k = 0; k <= last; ++k) {
            const ColumnEdges& edges = columnEdges[k];
            const std::size_t at = edges.column;
            sumRows(first, second, edges, sums1, sums2, stride / blockWords);
            applyRule(first + at, second + at, sums1, sums2, nextFirst + at, nextSecond + at,
                      contactWords, ruleRows);
            // Rows past the height in the last block are padding: not counted.
            contacts.add(contactWords + 1);
            // The row above the first is the last and the row below the last
            // is the first (on 1- and 2-row boards the same row twice).
            for (Word* column : {nextFirst + at, nextSecond + at}) {
                column[0] = column[height];
                column[height + 1] = column[1];
            }
        }
        std::swap(first, nextFirst);
        std::swap(second, nextSecond);
    }
    if (steps % 2 != 0) {
        std::swap(firstSpecies, nextFirstSpecies);
        std::swap(secondSpecies, nextSecondSpecies);
    }
    return contacts.sum();
}

int BitPlaneStepper::runPortable(int steps)
{
    return runKernel<ScalarContactCounter>(steps);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The portable build has neither POPCNT nor AVX2; these run where the CPU
// has them.
__attribute__((target("popcnt"))) int BitPlaneStepper::runPopcnt(int steps)
{
    return runKernel<ScalarContactCounter>(steps);
}

namespace
{

#define COEVOLIFE_AVX2 __attribute__((target("avx2,popcnt"))) inline

// Counts four words at a time: each nibble's count is looked up in a table
// of bytes, the bytes are added, and each lane's bytes are summed into a
// 64-bit lane total; the four lane totals are added once at the end.
class Avx2ContactCounter
{
public:
    COEVOLIFE_AVX2 explicit Avx2ContactCounter(int rows)
        : blocks(roundUpToBlock(rows) / blockWords),
          lastBlockRows(_mm256_cmpgt_epi64(_mm256_set1_epi64x(rows - (blocks - 1) * blockWords),
                                           _mm256_setr_epi64x(0, 1, 2, 3))),
          laneTotals(_mm256_setzero_si256())
    {
    }

    // Reads whole blocks; the padding words of the last one are masked off.
    COEVOLIFE_AVX2 void add(const Word* __restrict words)
    {
        for (int b = 0; b < blocks - 1;) {
            // A byte adds at most 8 per block, so it holds 31 blocks' counts.
            const int chunkEnd = std::min(blocks - 1, b + 31);
            __m256i counts = _mm256_setzero_si256();
            for (; b < chunkEnd; ++b)
                counts = _mm256_add_epi8(counts, byteCounts(load(words, b)));
            addToLanes(counts);
        }
        addToLanes(byteCounts(_mm256_and_si256(load(words, blocks - 1), lastBlockRows)));
    }

    COEVOLIFE_AVX2 int sum() const
    {
        const __m128i pairs = _mm_add_epi64(_mm256_castsi256_si128(laneTotals),
                                            _mm256_extracti128_si256(laneTotals, 1));
        return static_cast<int>(_mm_cvtsi128_si64(pairs) + _mm_extract_epi64(pairs, 1));
    }

private:
    static COEVOLIFE_AVX2 __m256i load(const Word* words, int block)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + block * blockWords));
    }

    // Each byte's bit count, from a table of the 16 nibbles' counts.
    static COEVOLIFE_AVX2 __m256i byteCounts(__m256i block)
    {
        const __m256i nibbleMask = _mm256_set1_epi8(0x0f);
        const __m256i nibbleCounts =
            _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2, 2, 3,
                             1, 2, 2, 3, 2, 3, 3, 4);
        const __m256i low = _mm256_and_si256(block, nibbleMask);
        const __m256i high = _mm256_and_si256(_mm256_srli_epi16(block, 4), nibbleMask);
        return _mm256_add_epi8(_mm256_shuffle_epi8(nibbleCounts, low),
                               _mm256_shuffle_epi8(nibbleCounts, high));
    }

    COEVOLIFE_AVX2 void addToLanes(__m256i counts)
    {
        laneTotals = _mm256_add_epi64(laneTotals, _mm256_sad_epu8(counts, _mm256_setzero_si256()));
    }

    int blocks;
    __m256i lastBlockRows; // all ones in the lanes of real rows
    __m256i laneTotals;
};

} // namespace

__attribute__((target("avx2,popcnt"))) int BitPlaneStepper::runAvx2(int steps)
{
    return runKernel<Avx2ContactCounter>(steps);
}
#endif
