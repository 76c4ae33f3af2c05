#pragma once

#include "board/Pattern.h"

class Board;

// A match: on a 100 x 15 board, the first pattern with code 1 at column 0
// and the second with code 2 at column 10, both at row 0, then 100 steps.
constexpr int matchBoardWidth = 100;
constexpr int matchBoardHeight = 15;
constexpr int matchSteps = 100;
constexpr int firstPatternColumn = 0;
constexpr int secondPatternColumn = 10;

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

// Sizes a board for matches and resets it.
void prepareMatchBoard(Board& board);
// Resets a match board and stamps the two patterns in their places.
void setUpMatch(Board& board, const Pattern& first, const Pattern& second);
// The counts of a board whose match has been played.
MatchResult matchResult(const Board& board);
// A whole match on the calling thread, without starting the board's own.
MatchResult playMatch(Board& board, const Pattern& first, const Pattern& second);
