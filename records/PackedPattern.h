#pragma once

#include "board/Pattern.h"

#include <cstdint>

// A pattern's 48 cells as the low 48 bits of an integer, cell i = x + 8 * y at
// bit i: byte y of its little-endian form is row y, bit x of it column x.
// Small, comparable and hashable, for archives and for telling patterns apart.
using PackedPattern = std::uint64_t;

// `pattern`: a Pattern or any other 48 cells indexed the same way.
template <typename Cells> PackedPattern packPattern(const Cells& pattern)
{
    PackedPattern packed = 0;
    for (int i = 0; i < patternCells; ++i)
        if (pattern[i] != 0)
            packed |= PackedPattern{1} << i;
    return packed;
}

inline Pattern unpackPattern(PackedPattern packed)
{
    Pattern pattern = makePattern();
    for (int i = 0; i < patternCells; ++i)
        pattern[i] = static_cast<int>((packed >> i) & 1u);
    return pattern;
}
