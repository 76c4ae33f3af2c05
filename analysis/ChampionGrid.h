#pragma once

#include "board/Match.h"
#include "board/MatchRows.h"
#include "records/PackedPattern.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
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

// Which rows of a grid are finished: set with release by the thread that
// played the row, read with acquire by any other, so that a reader that sees
// a row finished sees its results. A copy takes the flags as they stand.
class FinishedRows
{
public:
    FinishedRows() = default;
    explicit FinishedRows(int count)
        : flags(std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(count))),
          count(count)
    {
    }
    FinishedRows(const FinishedRows& other) : FinishedRows(other.count)
    {
        for (int row = 0; row < count; ++row)
            flags[row].store(other.test(row), std::memory_order_relaxed);
    }
    FinishedRows& operator=(const FinishedRows& other)
    {
        FinishedRows copy(other);
        std::swap(flags, copy.flags);
        std::swap(count, copy.count);
        return *this;
    }
    FinishedRows(FinishedRows&&) = default;
    FinishedRows& operator=(FinishedRows&&) = default;

    bool test(int row) const { return flags[row].load(std::memory_order_acquire); }
    void set(int row) { flags[row].store(true, std::memory_order_release); }

private:
    std::unique_ptr<std::atomic<bool>[]> flags;
    int count = 0;
};

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
    // Takes the results `earlier` holds, in its finished rows, for the pairs
    // of patterns this grid plays too, on the same layout; only the pairs
    // new to this grid are then played, and a row of none is finished
    // already. Before any row is played.
    void reuse(const ChampionGrid& earlier);
    // The matches reuse() left to play.
    long long matchesToPlay() const { return matchCount() - reused; }
    // A cancel of the board's pool ends the row at the match it stopped,
    // whose cell stays unplayed and its row unfinished.
    void playRow(int row, Board& board);
    // Whether every match of `row` has been played; its cells are then safe
    // to read from any thread while other rows are still being played.
    bool rowFinished(int row) const { return finished.test(row); }
    // Whether the cell of champion i of population 1 against champion j of
    // population 2 lies in a finished row.
    bool holds(int i, int j) const { return rowFinished(static_cast<int>(cellIndex(i, j) / matchesPerRow)); }

    int size1() const { return static_cast<int>(index1.size()); }
    int size2() const { return static_cast<int>(index2.size()); }
    // Champion i of population 1 against champion j of population 2, once
    // their row has been played.
    const GridScores& at(int i, int j) const { return results[cellIndex(i, j)]; }

private:
    MatchRows rows() const { return {matchCount(), matchesPerRow}; }
    std::size_t cellIndex(int i, int j) const
    {
        return static_cast<std::size_t>(index1[i]) * distinct2.size() + index2[j];
    }

    MatchLayout layout;
    std::vector<PackedPattern> distinct1;
    std::vector<PackedPattern> distinct2;
    // Unpacked once, shared read-only by the threads.
    std::vector<Pattern> patterns1;
    std::vector<Pattern> patterns2;
    std::vector<int> index1;
    std::vector<int> index2;
    std::vector<GridScores> results;
    // Set once a row's last result is written.
    FinishedRows finished;
    // The matches whose result reuse() took, read-only while rows play.
    std::vector<bool> known;
    long long reused = 0;
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
