#include "board/MatchPool.h"

#include "board/Board.h"
#include "board/Match.h"

#include <algorithm>

MatchPool::MatchPool(int threadCount, int rowCount, RowTask task)
    : rowCount(rowCount), task(std::move(task))
{
    // A thread without a row to play would only be started and joined.
    const int count = std::max(1, std::min(threadCount, rowCount));
    for (int k = 0; k < count; ++k) {
        boards.push_back(std::make_unique<Board>());
        prepareMatchBoard(*boards.back());
    }
    for (int k = 0; k < count; ++k)
        threads.emplace_back([this, k] { work(*boards[k]); });
}

MatchPool::~MatchPool()
{
    stop();
}

int MatchPool::defaultThreadCount()
{
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void MatchPool::work(Board& board)
{
    while (!stopRequested.load()) {
        const int row = nextRow.fetch_add(1);
        if (row >= rowCount)
            break;
        task(row, board);
        if (finishedRows.fetch_add(1) + 1 == rowCount) {
            const std::lock_guard<std::mutex> lock(doneMutex);
            allDone.notify_all();
        }
    }
}

bool MatchPool::waitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(doneMutex);
    return allDone.wait_for(lock, timeout, [this] { return finishedRows.load() == rowCount; });
}

void MatchPool::waitForAll()
{
    std::unique_lock<std::mutex> lock(doneMutex);
    allDone.wait(lock, [this] { return finishedRows.load() == rowCount; });
}

void MatchPool::stop()
{
    stopRequested = true;
    for (std::thread& thread : threads)
        if (thread.joinable())
            thread.join();
}
