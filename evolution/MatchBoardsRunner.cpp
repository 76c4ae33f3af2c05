#include "evolution/MatchBoardsRunner.h"

#include "board/StepThread.h"

MatchBoardsRunner::MatchBoardsRunner()
{
    for (StepThread*& board : boards) {
        board = new StepThread(nullptr);
        prepareMatchBoard(board->board());
    }
}

MatchBoardsRunner::~MatchBoardsRunner()
{
    for (StepThread* board : boards)
        delete board;
}

void MatchBoardsRunner::play(const MatchLayout& layout, const std::vector<MatchOrder>& orders,
                             std::vector<MatchResult>& results)
{
    const std::size_t batch = boards.size();
    for (std::size_t first = 0; first < orders.size(); first += batch) {
        const std::size_t count = std::min(batch, orders.size() - first);
        for (std::size_t k = 0; k < count; ++k) {
            const MatchOrder& order = orders[first + k];
            setUpMatch(boards[k]->board(), *order.first, *order.second, layout);
            boards[k]->start();
        }
        for (std::size_t k = 0; k < count; ++k) {
            boards[k]->wait();
            results[first + k] = matchResult(boards[k]->board());
        }
    }
}
