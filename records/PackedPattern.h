#pragma once

#include "board/Pattern.h"

#include <algorithm>
#include <string>

// A pattern's cells one bit each, cell k = x + width * y at bit k % 8 of byte
// k / 8, in ceil(cells / 8) bytes: for the window's 8 x 6 patterns byte y is
// row y, bit x of it column x. The bytes are held in a std::string for its
// hashing and ordering, and because patterns of up to 15 bytes (120 cells)
// need no allocation; they are bytes, not text.
using PackedPattern = std::string;

// The bytes a pattern of the shape packs into.
inline int packedBytesOf(PatternShape shape)
{
    return (shape.cells() + 7) / 8;
}

// The window's 8 x 6 patterns take six bytes.
constexpr int packedPatternBytes = (patternCells + 7) / 8;

// `cells` points at a pattern's cells, 0 or not; `at` at the shape's
// packed bytes, all zero.
inline void packCellsInto(char* at, const int* cells, PatternShape shape = {})
{
    for (int i = 0; i < shape.cells(); ++i)
        if (cells[i] != 0)
            at[i / 8] = static_cast<char>(at[i / 8] | (1u << (i % 8)));
}

inline PackedPattern packCells(const int* cells, PatternShape shape = {})
{
    PackedPattern packed(static_cast<std::size_t>(packedBytesOf(shape)), '\0');
    packCellsInto(packed.data(), cells, shape);
    return packed;
}

// `at` points at the shape's packed bytes; cells of any integer type.
template <typename Cell>
void unpackCellsAt(const char* at, Cell* cells, PatternShape shape = {})
{
    // A byte at a time: its bits are the next eight cells.
    const int count = shape.cells();
    for (int first = 0; first < count; first += 8) {
        const unsigned bits = static_cast<unsigned char>(at[first / 8]);
        const int end = std::min(8, count - first);
        for (int bit = 0; bit < end; ++bit)
            cells[first + bit] = static_cast<Cell>((bits >> bit) & 1u);
    }
}

// `packed` holds at least the shape's bytes.
template <typename Cell>
void unpackCells(const PackedPattern& packed, Cell* cells, PatternShape shape = {})
{
    unpackCellsAt(packed.data(), cells, shape);
}

inline PackedPattern packPattern(const Pattern& pattern, PatternShape shape = {})
{
    return packCells(pattern.get(), shape);
}

inline Pattern unpackPattern(const PackedPattern& packed, PatternShape shape = {})
{
    Pattern pattern = makePattern(shape.cells());
    unpackCells(packed, pattern.get(), shape);
    return pattern;
}

// Files hold a PackedPattern as its bytes, as they are.
inline void putPackedPattern(char* at, const PackedPattern& packed)
{
    packed.copy(at, packed.size());
}

inline PackedPattern packedPatternAt(const char* at, PatternShape shape = {})
{
    return PackedPattern(at, static_cast<std::size_t>(packedBytesOf(shape)));
}
