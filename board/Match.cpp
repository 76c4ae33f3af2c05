#include "board/Match.h"

#include "board/Board.h"

bool MatchLayout::operator==(const MatchLayout& other) const
{
    return boardWidth == other.boardWidth && boardHeight == other.boardHeight &&
           steps == other.steps && pattern == other.pattern && firstColumn == other.firstColumn &&
           firstRow == other.firstRow && secondColumn == other.secondColumn &&
           secondRow == other.secondRow;
}

void prepareMatchBoard(Board& board, const MatchLayout& layout)
{
    board.setWidth(layout.boardWidth);
    board.setHeight(layout.boardHeight);
    board.setSteps(layout.steps);
    board.reset();
}

void setUpMatch(Board& board, const Pattern& first, const Pattern& second,
                const MatchLayout& layout)
{
    prepareMatchBoard(board, layout);
    const PatternShape shape = layout.pattern;
    board.stampPattern(first, 1, layout.firstColumn, layout.firstRow, shape.width, shape.height);
    board.stampPattern(second, 2, layout.secondColumn, layout.secondRow, shape.width, shape.height);
}

MatchResult matchResult(const Board& board)
{
    return {board.countFirstSpecies(), board.countSecondSpecies(), board.contactCount()};
}

MatchResult playMatch(Board& board, const Pattern& first, const Pattern& second,
                      const MatchLayout& layout)
{
    setUpMatch(board, first, second, layout);
    board.run();
    return matchResult(board);
}

std::optional<MatchResult> playCancellableMatch(Board& board, const Pattern& first,
                                                const Pattern& second, const MatchLayout& layout)
{
    setUpMatch(board, first, second, layout);
    if (!board.run())
        return std::nullopt;
    return matchResult(board);
}
