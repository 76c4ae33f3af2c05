#pragma once

#include <algorithm>
#include <limits>

// Matches 0 .. count - 1 handed to a MatchPool in rows of `perRow` each, the
// last row shorter: a row of a few matches costs the pool's shared counter
// little beside them, and a cancel stops the match in progress whatever the
// row's length.
struct MatchRows {
    long long count = 0;
    int perRow = 1;

    // Whether the rows can be counted in the pool's int.
    bool countable() const
    {
        return (count + perRow - 1) / perRow <= std::numeric_limits<int>::max();
    }
    int rowCount() const { return static_cast<int>((count + perRow - 1) / perRow); }
    long long firstOf(int row) const { return static_cast<long long>(row) * perRow; }
    long long endOf(int row) const { return matchesIn(row + 1); }
    // The matches of the first `rows` rows.
    long long matchesIn(int rows) const
    {
        return std::min(count, static_cast<long long>(rows) * perRow);
    }
};
