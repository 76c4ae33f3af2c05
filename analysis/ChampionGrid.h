#pragma once

#include "board/Match.h"
#include "board/MatchRows.h"
#include "records/PackedPattern.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <limits>
#include <vector>

class Board;
class MatchPool;

// The scores of one match, rounded to float as they are stored.
struct GridScores {
    float score1 = 0.0f;
    float score2 = 0.0f;
};

// Each score rounded once from its double, as the run stores it.
inline GridScores gridScoresOf(const MatchResult& result)
{
    return {static_cast<float>(result.firstScore()), static_cast<float>(result.secondScore())};
}

// Every champion of population 1 (code 1, at the first place) against every
// champion of population 2 (code 2, at the second), on the layout of the run
// they come from, patterns of its shape. Champions recur over the generations, so
// each distinct pair of patterns is played once; a match is deterministic, so
// every cell is exactly what its own match would give.
class ChampionGrid
{
public:
    ChampionGrid(const std::vector<PackedPattern>& champions1,
                 const std::vector<PackedPattern>& champions2, const MatchLayout& layout = {});

    // Every distinct champion of population 1 against every distinct
    // champion of population 2, in rows of a few matches each. Rows may be
    // played on any threads at once, each with its own board.
    static constexpr int matchesPerRow = 64;
    long long matchCount() const
    {
        return static_cast<long long>(distinct1.size()) * static_cast<long long>(distinct2.size());
    }
    // The most matches a grid plays: more would take days and hold more
    // results than memory, and its rows would overflow their count. A grid
    // of more holds none and plays no row.
    static constexpr long long mostMatches = std::numeric_limits<int>::max();
    bool playable() const { return matchCount() <= mostMatches; }
    int rowCount() const { return playable() ? rows().rowCount() : 0; }
    int distinctCount1() const { return static_cast<int>(distinct1.size()); }
    int distinctCount2() const { return static_cast<int>(distinct2.size()); }
    // The matches of `rows` finished rows, near enough for a progress bar.
    long long matchesIn(int finished) const { return rows().matchesIn(finished); }
    // A cancel of the board's pool ends the row at the match it stopped,
    // whose cell stays unplayed.
    void playRow(int row, Board& board);

    int size1() const { return static_cast<int>(index1.size()); }
    int size2() const { return static_cast<int>(index2.size()); }
    // Champion i of population 1 against champion j of population 2, once
    // their row has been played.
    const GridScores& at(int i, int j) const
    {
        return results[static_cast<std::size_t>(index1[i]) * distinct2.size() + index2[j]];
    }

private:
    MatchRows rows() const { return {matchCount(), matchesPerRow}; }

    MatchLayout layout;
    std::vector<PackedPattern> distinct1;
    std::vector<PackedPattern> distinct2;
    // Unpacked once, shared read-only by the threads.
    std::vector<Pattern> patterns1;
    std::vector<Pattern> patterns2;
    std::vector<int> index1;
    std::vector<int> index2;
    std::vector<GridScores> results;
};

// What makes a grid too large to play: "N and M distinct champions, K
// matches, more than one analysis plays (L)".
QString unplayableGridProblem(const ChampionGrid& grid);

// Plays every row on the pool and waits for them.
void playGrid(ChampionGrid& grid, MatchPool& pool);

// "generation1,generation2,score1,score2", then a row per cell, i outer and j
// inner, the scores as "%.9g".
QByteArray gridCsv(const ChampionGrid& grid, const std::vector<int>& generations1,
                   const std::vector<int>& generations2);
