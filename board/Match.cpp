#include "board/Match.h"

#include "board/StepThread.h"

void prepareMatchBoard(StepThread& board)
{
    board.setWidth(matchBoardWidth);
    board.setHeight(matchBoardHeight);
    board.setSteps(matchSteps);
    board.reset();
}

void setUpMatch(StepThread& board, const Pattern& first, const Pattern& second)
{
    board.reset();
    board.stampPattern(first, 1, firstPatternColumn, 0, patternWidth, patternHeight);
    board.stampPattern(second, 2, secondPatternColumn, 0, patternWidth, patternHeight);
}

MatchResult matchResult(const StepThread& board)
{
    return {board.countFirstSpecies(), board.countSecondSpecies(), board.contactCount()};
}

MatchResult playMatch(StepThread& board, const Pattern& first, const Pattern& second)
{
    setUpMatch(board, first, second);
    board.runSteps();
    return matchResult(board);
}
