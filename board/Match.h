#pragma once

#include "board/Pattern.h"

#include <optional>

class Board;

// Where a match is played: the first pattern with code 1 at its place and the
// second with code 2 at its own, on a board of the given size, then the given
// steps. The default is the window's: 8 x 6 patterns at columns 0 and 10 of
// row 0 on a 100 x 15 board, 100 steps.
struct MatchLayout {
    int boardWidth = 100;
    int boardHeight = 15;
    int steps = 100;
    PatternShape pattern;
    int firstColumn = 0;
    int firstRow = 0;
    int secondColumn = 10;
    int secondRow = 0;

    bool operator==(const MatchLayout& other) const;
    bool operator!=(const MatchLayout& other) const { return !(*this == other); }
};

// What is left on the board after a match, and the two scores made of it.
struct MatchResult {
    int firstCells = 0;
    int secondCells = 0;
    int contacts = 0;

    // The surviving first-species cells weighted by the contacts in tenths,
    // in double precision: callers round where they store.
    double firstScore() const { return firstCells * (contacts / 10.0); }
    // The surviving second-species cells; the contacts play no part.
    double secondScore() const { return secondCells; }
};

// Sizes a board for matches and resets it (reallocating only for a new size).
void prepareMatchBoard(Board& board, const MatchLayout& layout = {});
// Prepares the board and stamps the two patterns in their places.
void setUpMatch(Board& board, const Pattern& first, const Pattern& second,
                const MatchLayout& layout = {});
// The counts of a board whose match has been played.
MatchResult matchResult(const Board& board);
// A whole match on the calling thread, without starting the board's own, on
// a board that watches no cancel flag.
MatchResult playMatch(Board& board, const Pattern& first, const Pattern& second,
                      const MatchLayout& layout = {});
// The same on a board that may watch one, as a pool's do: none when the flag
// stopped the match part-way, whose counts no one may score or store.
std::optional<MatchResult> playCancellableMatch(Board& board, const Pattern& first,
                                                const Pattern& second,
                                                const MatchLayout& layout = {});
