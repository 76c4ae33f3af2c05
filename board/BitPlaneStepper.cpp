#include "board/BitPlaneStepper.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#if defined(__GNUC__)
#define COEVOLIFE_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define COEVOLIFE_ALWAYS_INLINE inline
#endif

namespace
{

using Word = std::uint64_t;

// Every pass works on blocks of this many consecutive rows of a word column.
const int blockWords = 4;

int roundUpToBlock(int n)
{
    return (n + blockWords - 1) / blockWords * blockWords;
}

#if defined(__GNUC__)
// One 256-bit register where the kernel is built for AVX2; the compiler
// splits it into narrower operations elsewhere. Blocks never cross a call
// (everything taking one is inlined), so GCC's note that passing them
// without AVX differs from the AVX calling convention does not apply.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wpsabi"
#else
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
typedef Word Block __attribute__((vector_size(blockWords * sizeof(Word))));
#else
struct Block {
    Word lane[blockWords];
    Word operator[](int i) const { return lane[i]; }
};

template <typename Op> Block laneWise(Block a, Block b, Op op)
{
    for (int i = 0; i < blockWords; ++i)
        a.lane[i] = op(a.lane[i], b.lane[i]);
    return a;
}
inline Block operator&(Block a, Block b)
{
    return laneWise(a, b, [](Word x, Word y) { return x & y; });
}
inline Block operator|(Block a, Block b)
{
    return laneWise(a, b, [](Word x, Word y) { return x | y; });
}
inline Block operator^(Block a, Block b)
{
    return laneWise(a, b, [](Word x, Word y) { return x ^ y; });
}
inline Block operator~(Block a)
{
    return laneWise(a, a, [](Word x, Word) { return ~x; });
}
inline Block operator<<(Block a, int n)
{
    return laneWise(a, a, [n](Word x, Word) { return x << n; });
}
inline Block operator>>(Block a, int n)
{
    return laneWise(a, a, [n](Word x, Word) { return x >> n; });
}
inline Block& operator&=(Block& a, Block b)
{
    return a = a & b;
}
#endif

COEVOLIFE_ALWAYS_INLINE Block broadcast(Word w)
{
    return Block{w, w, w, w};
}

COEVOLIFE_ALWAYS_INLINE Block loadBlock(const Word* words)
{
    Block block;
    std::memcpy(&block, words, sizeof block);
    return block;
}

COEVOLIFE_ALWAYS_INLINE void storeBlock(Word* words, const Block& block)
{
    std::memcpy(words, &block, sizeof block);
}

// a + b + c, one bit each, as a two-bit number.
COEVOLIFE_ALWAYS_INLINE void fullAdd(Block a, Block b, Block c, Block& sum, Block& carry)
{
    const Block ab = a ^ b;
    sum = ab ^ c;
    carry = (a & b) | (ab & c);
}

// A two-bit number per cell, one plane per binary digit.
struct TwoBits {
    Block low;
    Block high;
};

// What the rule asks of a neighbour count 0..8, as bit planes.
struct NeighbourCount {
    Block ones;
    Block twoOrThree;
    Block atLeastTwo;
};

// Adds the horizontal sums (west + centre + east) of the rows above and
// below and of the own row less its centre cell.
COEVOLIFE_ALWAYS_INLINE NeighbourCount neighbourCount(TwoBits above, TwoBits own, Block centre,
                                                      TwoBits below)
{
    // Taking the centre off a sum of 1..3 flips the low bit and leaves the
    // high bit only where the sum was 3; without the centre the sum is at
    // most 2, so the high bit never comes with the low bit and stays.
    const Block pairLow = own.low ^ centre;
    const Block pairHigh = own.high & ~pairLow;
    // count = ones + 2 * (carry + twos) + 4 * fours
    NeighbourCount count;
    Block carry;
    Block twos;
    Block fours;
    fullAdd(above.low, pairLow, below.low, count.ones, carry);
    fullAdd(above.high, pairHigh, below.high, twos, fours);
    count.twoOrThree = (twos ^ carry) & ~fours;
    count.atLeastTwo = twos | carry | fours;
    return count;
}

// A species' horizontal sums for the slots of one word column.
struct ColumnSums {
    Word* low;
    Word* high;

    COEVOLIFE_ALWAYS_INLINE TwoBits at(int slot) const
    {
        return {loadBlock(low + slot), loadBlock(high + slot)};
    }
};

// West + centre + east of one word column's slots 1..rows (rounded up to
// whole blocks), for both species.
COEVOLIFE_ALWAYS_INLINE void sumColumn(const Word* first, const Word* second,
                                       const BitPlaneStepper::ColumnEdges& e, ColumnSums sums1,
                                       ColumnSums sums2, int rows, int height)
{
    // Copies, so that the stores below cannot be taken to change them.
    const std::ptrdiff_t toWest = e.toWest;
    const std::ptrdiff_t toEast = e.toEast;
    const int westShift = e.westShift;
    const int eastShift = e.eastShift;
    // Shifting west moves the last real bit past the width: masked off.
    const Block widthMask = broadcast(e.widthMask);
    const auto sumBlock = [=](const Word* column, ColumnSums sums, int i) {
        const Block centre = loadBlock(column + i);
        // Bits past the width are 0, so the west neighbour's end bit comes
        // alone with the shift.
        const Block west =
            ((centre << 1) & widthMask) | (loadBlock(column + toWest + i) >> westShift);
        const Block east = (centre >> 1) | ((loadBlock(column + toEast + i) << 63) >> eastShift);
        Block sum;
        Block carry;
        fullAdd(west, east, centre, sum, carry);
        storeBlock(sums.low + i, sum);
        storeBlock(sums.high + i, carry);
    };
    const Word* firstColumn = first + e.column;
    const Word* secondColumn = second + e.column;
    for (int i = 1; i <= rows; i += blockWords) {
        sumBlock(firstColumn, sums1, i);
        sumBlock(secondColumn, sums2, i);
    }
    // The row above the first is the last (on a 1-row board the row itself).
    for (ColumnSums sums : {sums1, sums2}) {
        sums.low[0] = sums.low[height];
        sums.high[0] = sums.high[height];
    }
}

// The rule table on whole blocks of one word column, slots 1..rows; slot i
// reads the sums of slots i - 1, i and i + 1. Slots past the height are
// computed too and overwritten later; realRows masks their contacts off.
template <typename ContactCounter>
COEVOLIFE_ALWAYS_INLINE void applyRule(const Word* first, const Word* second, ColumnSums sums1,
                                       ColumnSums sums2, Word* nextFirst, Word* nextSecond,
                                       int rows, const Word* realRows, ContactCounter& contacts)
{
    for (int i = 1; i <= rows; i += blockWords) {
        const Block firstCells = loadBlock(first + i);
        const Block secondCells = loadBlock(second + i);
        const NeighbourCount n1 =
            neighbourCount(sums1.at(i - 1), sums1.at(i), firstCells, sums1.at(i + 1));
        const NeighbourCount n2 =
            neighbourCount(sums2.at(i - 1), sums2.at(i), secondCells, sums2.at(i + 1));
        const Block n1Three = n1.twoOrThree & n1.ones;
        const Block n2Three = n2.twoOrThree & n2.ones;

        const Block occupied = firstCells | secondCells;
        const Block firstSurvives = firstCells & n1.twoOrThree;
        const Block secondLives = secondCells & n2.twoOrThree;
        const Block secondConverted = secondLives & n1.atLeastTwo;
        const Block secondSurvives = secondLives & ~n1.atLeastTwo;
        const Block firstBorn = n1Three & ~occupied;
        const Block secondBorn = n2Three & ~(occupied | n1Three);

        storeBlock(nextFirst + i, firstSurvives | secondConverted | firstBorn);
        storeBlock(nextSecond + i, secondSurvives | secondBorn);
        contacts.add(secondCells & n1.atLeastTwo & loadBlock(realRows + i));
    }
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

// First and second species bits of count cells (at most 64).
COEVOLIFE_ALWAYS_INLINE void packCells(const int* cells, int count, Word& first, Word& second)
{
    first = 0;
    second = 0;
    int i = 0;
#if defined(__SSE2__)
    // Four cells per compare: the mask of the equal lanes is their four bits.
    const __m128i one = _mm_set1_epi32(1);
    const __m128i two = _mm_set1_epi32(2);
    for (; i + 4 <= count; i += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + i));
        first |= static_cast<Word>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, one))))
                 << i;
        second |= static_cast<Word>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, two))))
                  << i;
    }
#endif
    for (; i < count; ++i) {
        first |= Word{cells[i] == 1} << i;
        second |= Word{cells[i] == 2} << i;
    }
}

// Writes the codes of count cells (at most 64) from their bits in the two
// planes: a cell is never in both, so the two bits make its code.
COEVOLIFE_ALWAYS_INLINE void unpackCells(int* cells, int count, Word first, Word second)
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

// Sums the contact cells one word at a time.
class ScalarContactCounter
{
public:
    COEVOLIFE_ALWAYS_INLINE void add(Block cells)
    {
        for (int i = 0; i < blockWords; ++i)
            total += popcount(cells[i]);
    }
    int sum() const { return total; }

private:
    int total = 0;
};

// The build without AVX2: SSE2 packing where the compiler has it.
struct PortableIsa {
    using ContactCounter = ScalarContactCounter;
    static COEVOLIFE_ALWAYS_INLINE void pack(const int* cells, int count, Word& first, Word& second)
    {
        packCells(cells, count, first, second);
    }
    static COEVOLIFE_ALWAYS_INLINE void unpack(int* cells, int count, Word first, Word second)
    {
        unpackCells(cells, count, first, second);
    }
};

} // namespace

BitPlaneStepper::BitPlaneStepper()
{
    allowAvx2(true);
}

void BitPlaneStepper::resize(int newWidth, int newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    width = newWidth;
    height = newHeight;
    wordsPerRow = (width + 63) / 64;
    sumRows = roundUpToBlock(height + 1);
    ruleRows = roundUpToBlock(height);
    // Three words of padding put slot 1 on a block boundary; then slot 0,
    // the summed slots and the slot below them that the rule reads.
    stride = roundUpToBlock(slotZero + 1 + sumRows + 1);
    planeWords = static_cast<std::size_t>(wordsPerRow) * stride;
    storage.assign(planeCount * planeWords + blockWords - 1, 0);
    const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
    alignedStart = (blockWords - address / sizeof(Word) % blockWords) % blockWords;
    Word* realRows = plane(RealRows) + slotZero;
    std::fill_n(realRows + 1, height, ~Word{0});

    const int lastBit = (width - 1) % 64;
    const Word lastWordMask = lastBit == 63 ? ~Word{0} : (Word{1} << (lastBit + 1)) - 1;
    const int last = wordsPerRow - 1;
    const std::ptrdiff_t columnStride = stride;
    columnEdges.clear();
    for (int k = 0; k <= last; ++k)
        columnEdges.push_back({static_cast<std::size_t>(k) * stride + slotZero,
                               k == 0 ? last * columnStride : -columnStride, k == 0 ? lastBit : 63,
                               k == last ? -last * columnStride : columnStride,
                               k == last ? 63 - lastBit : 0, k == last ? lastWordMask : ~Word{0}});
}

// Built once per instruction set below.
template <typename Isa> COEVOLIFE_ALWAYS_INLINE int BitPlaneStepper::runKernel(int* grid, int steps)
{
    // With no step at all the grid keeps codes the planes cannot hold.
    if (steps <= 0)
        return 0;
    Word* first = plane(FirstSpecies);
    Word* second = plane(SecondSpecies);
    Word* nextFirst = plane(NextFirstSpecies);
    Word* nextSecond = plane(NextSecondSpecies);

    for (int y = 0; y < height; ++y) {
        const int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k)
            Isa::pack(row + 64 * k, std::min(64, width - 64 * k), first[slot(k, 1 + y)],
                      second[slot(k, 1 + y)]);
    }
    // The row below the last is the first (on a 1-row board the row itself).
    for (int k = 0; k < wordsPerRow; ++k) {
        first[slot(k, height + 1)] = first[slot(k, 1)];
        second[slot(k, height + 1)] = second[slot(k, 1)];
    }

    // Locals, which stores through the planes cannot be taken to change.
    const int rows = height;
    const int summed = sumRows;
    const int ruled = ruleRows;
    Word* const sums[] = {plane(FirstSumsLow), plane(FirstSumsHigh), plane(SecondSumsLow),
                          plane(SecondSumsHigh)};
    const Word* realRows = plane(RealRows) + slotZero;
    const ColumnEdges* const edgesBegin = columnEdges.data();
    const ColumnEdges* const edgesEnd = edgesBegin + columnEdges.size();
    typename Isa::ContactCounter contacts;
    for (int s = 0; s < steps; ++s) {
        for (const ColumnEdges* edges = edgesBegin; edges != edgesEnd; ++edges) {
            const std::size_t at = edges->column;
            sumColumn(first, second, *edges, {sums[0] + at, sums[1] + at},
                      {sums[2] + at, sums[3] + at}, summed, rows);
        }
        for (const ColumnEdges* edges = edgesBegin; edges != edgesEnd; ++edges) {
            const std::size_t at = edges->column;
            applyRule(first + at, second + at, {sums[0] + at, sums[1] + at},
                      {sums[2] + at, sums[3] + at}, nextFirst + at, nextSecond + at, ruled,
                      realRows, contacts);
            // The copy of the first row below the last, for the next sums.
            nextFirst[at + rows + 1] = nextFirst[at + 1];
            nextSecond[at + rows + 1] = nextSecond[at + 1];
        }
        std::swap(first, nextFirst);
        std::swap(second, nextSecond);
    }

    for (int y = 0; y < height; ++y) {
        int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k)
            Isa::unpack(row + 64 * k, std::min(64, width - 64 * k), first[slot(k, 1 + y)],
                        second[slot(k, 1 + y)]);
    }
    return contacts.sum();
}

#if defined(__GNUC__)
__attribute__((flatten))
#endif
int BitPlaneStepper::runPortable(int* grid, int steps)
{
    return runKernel<PortableIsa>(grid, steps);
}

#if defined(__x86_64__) && defined(__GNUC__)

void BitPlaneStepper::allowAvx2(bool allowed)
{
    __builtin_cpu_init();
    if (allowed && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        kernel = &BitPlaneStepper::runAvx2;
    else if (__builtin_cpu_supports("popcnt"))
        kernel = &BitPlaneStepper::runPopcnt;
    else
        kernel = &BitPlaneStepper::runPortable;
}

// The portable build has neither POPCNT nor AVX2; these run where the CPU
// has them.
__attribute__((target("popcnt"), flatten)) int BitPlaneStepper::runPopcnt(int* grid, int steps)
{
    return runKernel<PortableIsa>(grid, steps);
}

namespace
{

#define COEVOLIFE_AVX2 __attribute__((target("avx2,popcnt"))) inline

// Counts four words at a time: each nibble's count is looked up in a table
// of bytes and added into byte totals, which are summed into 64-bit lane
// totals before they can overflow; the lane totals are added at the end.
class Avx2ContactCounter
{
public:
    COEVOLIFE_AVX2 Avx2ContactCounter()
        : byteTotals(_mm256_setzero_si256()), laneTotals(_mm256_setzero_si256())
    {
    }

    // By reference: a block passed by value between builds with and
    // without AVX would change the calling convention.
    COEVOLIFE_AVX2 void add(const Block& cells)
    {
        byteTotals = _mm256_add_epi8(byteTotals, byteCounts(reinterpret_cast<__m256i>(cells)));
        // A byte gains at most 8 a block, so it holds 31 blocks' counts.
        if (++pendingBlocks == 31)
            flush();
    }

    COEVOLIFE_AVX2 int sum()
    {
        flush();
        const __m128i pairs = _mm_add_epi64(_mm256_castsi256_si128(laneTotals),
                                            _mm256_extracti128_si256(laneTotals, 1));
        return static_cast<int>(_mm_cvtsi128_si64(pairs) + _mm_extract_epi64(pairs, 1));
    }

private:
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

    COEVOLIFE_AVX2 void flush()
    {
        laneTotals =
            _mm256_add_epi64(laneTotals, _mm256_sad_epu8(byteTotals, _mm256_setzero_si256()));
        byteTotals = _mm256_setzero_si256();
        pendingBlocks = 0;
    }

    __m256i byteTotals;
    __m256i laneTotals;
    int pendingBlocks = 0;
};

// Packing 32 cells and unpacking 8 cells per instruction.
struct Avx2Isa {
    using ContactCounter = Avx2ContactCounter;

    static COEVOLIFE_AVX2 __m256i loadCells(const int* cells)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells));
    }

    static COEVOLIFE_AVX2 Word equalBits(__m256i codes, int code)
    {
        return static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_cmpeq_epi8(codes, _mm256_set1_epi8(static_cast<char>(code)))));
    }

    static COEVOLIFE_AVX2 void pack(const int* cells, int count, Word& first, Word& second)
    {
        first = 0;
        second = 0;
        int i = 0;
        for (; i + 32 <= count; i += 32) {
            // Narrowed with saturation, so no other code turns into 1 or 2;
            // the narrowing interleaves the four loads' quarters, which the
            // permutation puts back in cell order.
            const __m256i halves =
                _mm256_packs_epi32(loadCells(cells + i), loadCells(cells + i + 8));
            const __m256i otherHalves =
                _mm256_packs_epi32(loadCells(cells + i + 16), loadCells(cells + i + 24));
            const __m256i codes = _mm256_permutevar8x32_epi32(
                _mm256_packs_epi16(halves, otherHalves), _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
            first |= equalBits(codes, 1) << i;
            second |= equalBits(codes, 2) << i;
        }
        for (; i < count; ++i) {
            first |= Word{cells[i] == 1} << i;
            second |= Word{cells[i] == 2} << i;
        }
    }

    static COEVOLIFE_AVX2 void unpack(int* cells, int count, Word first, Word second)
    {
        // Lane j of the eighth k shifts bit 8k + j of 32 cells' bits to bit 0.
        const __m256i one = _mm256_set1_epi32(1);
        int i = 0;
        for (; i + 8 <= count; i += 32) {
            const __m256i firstBits = _mm256_set1_epi32(static_cast<int>(first >> i));
            const __m256i secondBits = _mm256_set1_epi32(static_cast<int>(second >> i));
            for (int k = 0; k < 4 && i + 8 * k + 8 <= count; ++k) {
                const __m256i lanes = _mm256_add_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                                       _mm256_set1_epi32(8 * k));
                const __m256i isFirst = _mm256_and_si256(_mm256_srlv_epi32(firstBits, lanes), one);
                const __m256i isSecond =
                    _mm256_and_si256(_mm256_srlv_epi32(secondBits, lanes), one);
                const __m256i codes =
                    _mm256_add_epi32(isFirst, _mm256_add_epi32(isSecond, isSecond));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(cells + i + 8 * k), codes);
            }
        }
        i = count - count % 8;
        for (; i < count; ++i)
            cells[i] =
                static_cast<int>((first >> i) & 1) | static_cast<int>(((second >> i) & 1) << 1);
    }
};

} // namespace

__attribute__((target("avx2,popcnt"), flatten)) int BitPlaneStepper::runAvx2(int* grid, int steps)
{
    return runKernel<Avx2Isa>(grid, steps);
}

#else

void BitPlaneStepper::allowAvx2(bool)
{
    kernel = &BitPlaneStepper::runPortable;
}

int BitPlaneStepper::runPopcnt(int* grid, int steps)
{
    return runKernel<PortableIsa>(grid, steps);
}

int BitPlaneStepper::runAvx2(int* grid, int steps)
{
    return runKernel<PortableIsa>(grid, steps);
}

#endif
