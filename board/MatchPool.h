#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class Board;

// A fixed set of standard threads, started once for a whole analysis, that
// share out rows 0..rowCount-1 through an atomic counter; each thread plays
// its matches on a board of its own. A row's results go to slots only that
// row writes, so the outcome does not depend on the number of threads or on
// which thread took which row.
//
// Plain threads rather than QThreadPool: the pool's threads are exactly the
// boards' owners for the whole analysis, nothing else is queued on them, and
// a stop takes effect between rows without cancelling tasks.
class MatchPool
{
public:
    using RowTask = std::function<void(int row, Board& board)>;

    // Starts the threads at once (no more than there are rows); `task` must
    // be safe to call concurrently for different rows.
    MatchPool(int threadCount, int rowCount, RowTask task);
    // Stops and joins.
    ~MatchPool();
    MatchPool(const MatchPool&) = delete;
    MatchPool& operator=(const MatchPool&) = delete;

    // Waits until every row is done or `timeout` has passed; true when done.
    bool waitFor(std::chrono::milliseconds timeout);
    void waitForAll();
    // The threads finish the rows in progress and take no more; joins them.
    void stop();

    int rowsDone() const { return finishedRows.load(); }
    int rows() const { return rowCount; }

    // Every CPU the system reports, at least one.
    static int defaultThreadCount();

private:
    void work(Board& board);

    const int rowCount;
    RowTask task;
    std::atomic<int> nextRow{0};
    std::atomic<int> finishedRows{0};
    std::atomic<bool> stopRequested{false};
    std::mutex doneMutex;
    std::condition_variable allDone;
    std::vector<std::unique_ptr<Board>> boards;
    std::vector<std::thread> threads;
};
