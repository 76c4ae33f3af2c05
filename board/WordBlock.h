#pragma once

#include <cstdint>
#include <cstring>

// The value the bit-plane passes work on: four 64-bit words, the same word
// column in four consecutive rows. Private to the bit-plane stepper.

#if defined(__GNUC__)
#define COEVOLIFE_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define COEVOLIFE_ALWAYS_INLINE inline
#endif

namespace bitplanes
{

using Word = std::uint64_t;

const int blockWords = 4;

#if defined(__GNUC__)
// One 256-bit register where the kernel is built for AVX2; the compiler
// splits it into narrower operations elsewhere. Blocks never cross a call
// (everything taking one is inlined), so the compiler's note that passing
// them without AVX differs from the AVX calling convention does not apply:
// board/CMakeLists.txt switches it off for the stepper's file.
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

} // namespace bitplanes
