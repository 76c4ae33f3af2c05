#pragma once

#include "board/WordBlock.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

// What differs between the builds of the bit-plane kernel: how cells are
// packed into words and back, and how contact cells are counted. Private to
// the bit-plane stepper.
namespace bitplanes
{

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

    // First and second species bits of count cells (at most 64).
    static COEVOLIFE_ALWAYS_INLINE void pack(const int* cells, int count, Word& first, Word& second)
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
            first |=
                static_cast<Word>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, one))))
                << i;
            second |=
                static_cast<Word>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, two))))
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
    static COEVOLIFE_ALWAYS_INLINE void unpack(int* cells, int count, Word first, Word second)
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
            cells[i] =
                static_cast<int>((first >> i) & 1) | static_cast<int>(((second >> i) & 1) << 1);
    }
};

#if defined(__x86_64__) && defined(__GNUC__)

// The AVX2 build: compiled for AVX2 and inlined only into the kernel built
// for it, which runs where the CPU has AVX2.
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
        if (i < count) {
            Word firstTail;
            Word secondTail;
            PortableIsa::pack(cells + i, count - i, firstTail, secondTail);
            first |= firstTail << i;
            second |= secondTail << i;
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
        if (i < count)
            PortableIsa::unpack(cells + i, count - i, first >> i, second >> i);
    }
};

#endif

} // namespace bitplanes
