#pragma once

#include <boost/shared_array.hpp>

// A starting pattern (the genome): 8 columns x 6 rows of 0/1 cells, cell
// (x, y) at element x + 8 * y. Copying a Pattern shares its cells.
using Pattern = boost::shared_array<int>;

constexpr int patternWidth = 8;
constexpr int patternHeight = 6;
constexpr int patternCells = patternWidth * patternHeight;

// The size of the patterns of an experiment: cell (x, y) of a pattern is
// element x + width * y. The default is the window's 8 x 6.
struct PatternShape {
    int width = patternWidth;
    int height = patternHeight;

    int cells() const { return width * height; }
    bool operator==(const PatternShape& other) const
    {
        return width == other.width && height == other.height;
    }
};

// A pattern of `cells` cells, all 0.
inline Pattern makePattern(int cells = patternCells)
{
    return Pattern(new int[cells]());
}
