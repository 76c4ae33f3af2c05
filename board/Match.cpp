#include "board/Match.h"

#include "board/Board.h"

void prepareMatchBoard(Board& board)
{
    board.setWidth(matchBoardWidth);
    board.setHeight(matchBoardHeight);
    board.setSteps(matchSteps);
    board.reset();
}

void setUpMatch(Board& board, const Pattern& first, const Pattern& second)
{
    board.reset();
    board.stampPattern(first, 1, firstPatternColumn, 0, patternWidth, patternHeight);
    board.stampPattern(second, 2, secondPatternColumn, 0, patternWidth, patternHeight);
}

MatchResult matchResult(const Board& board)
{
    return {board.countFirstSpecies(), board.countSecondSpecies(), board.contactCount()};
}

MatchResult playMatch(Board& board, const Pattern& first, const Pattern& second)
{
    setUpMatch(board, first, second);
    board.run();
    return matchResult(board);
}
