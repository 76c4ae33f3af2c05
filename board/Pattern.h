#pragma once

#include <boost/shared_array.hpp>

// A starting pattern (the genome): 8 columns x 6 rows of 0/1 cells, cell
// (x, y) at element x + 8 * y. Copying a Pattern shares its cells.
using Pattern = boost::shared_array<int>;

constexpr int patternWidth = 8;
constexpr int patternHeight = 6;
constexpr int patternCells = patternWidth * patternHeight;

inline Pattern makePattern()
{
    return Pattern(new int[patternCells]());
}
