#pragma once

#include "board/Pattern.h"

#include <cstdint>

// A pattern's 48 cells as the low 48 bits of an integer, cell i = x + 8 * y at
// bit i: byte y of its little-endian form is row y, bit x of it column x.
// Small, comparable and hashable, for archives and for telling patterns apart.
using PackedPattern = std::uint64_t;

// Files hold a PackedPattern as its six low bytes, little-endian.
constexpr int packedPatternBytes = 6;

// `cells` points at a pattern's 48 cells, 0 or not.
inline PackedPattern packCells(const int* cells)
{
    PackedPattern packed = 0;
    for (int i = 0; i < patternCells; ++i)
        if (cells[i] != 0)
            packed |= PackedPattern{1} << i;
    return packed;
}

inline void unpackCells(PackedPattern packed, int* cells)
{
    for (int i = 0; i < patternCells; ++i)
        cells[i] = static_cast<int>((packed >> i) & 1u);
}

inline PackedPattern packPattern(const Pattern& pattern)
{
    return packCells(pattern.get());
}

inline Pattern unpackPattern(PackedPattern packed)
{
    Pattern pattern = makePattern();
    unpackCells(packed, pattern.get());
    return pattern;
}

inline void putPackedPattern(char* at, PackedPattern packed)
{
    for (int b = 0; b < packedPatternBytes; ++b)
        at[b] = static_cast<char>((packed >> (8 * b)) & 0xffu);
}

inline PackedPattern packedPatternAt(const char* at)
{
    PackedPattern packed = 0;
    for (int b = 0; b < packedPatternBytes; ++b)
        packed |= PackedPattern{static_cast<unsigned char>(at[b])} << (8 * b);
    return packed;
}
