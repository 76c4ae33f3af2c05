#pragma once

#include "board/Board.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A fixed set of standard threads, started once and kept for the pool's
// life, each with a board of its own. A job is rows 0..rowCount-1, shared
// out through an atomic counter; a row's results go to slots only that row
// writes, so the outcome does not depend on the number of threads or on
// which thread took which row. One job at a time.
//
// Plain threads rather than QThreadPool: the pool's threads are exactly the
// boards' owners, nothing else is queued on them, and a cancel takes effect
// through the boards: each watches the pool's cancel flag, so a match in
// progress stops within a block of steps, however large its board.
class MatchPool
{
public:
    using RowTask = std::function<void(int row, Board& board)>;

    // Starts the threads at once (at least one). When the system refuses
    // one, those already started are joined and `failure` reads "cannot
    // start N threads: " and the system's reason; there is no pool.
    static std::unique_ptr<MatchPool> start(int threadCount, std::string& failure);
    // The most threads a pool is asked for: more would only wait for each
    // other, and thousands are more than a system gives a process.
    static constexpr int maximumThreadCount = 1024;
    // One thread per CPU the system reports, from 1 to maximumThreadCount.
    static int defaultThreadCount();
    // Cancels the job in progress and joins.
    ~MatchPool();
    MatchPool(const MatchPool&) = delete;
    MatchPool& operator=(const MatchPool&) = delete;

    // Hands out a job and returns at once; `task` must be safe to call
    // concurrently for different rows, and lives until the job is done.
    void begin(int rowCount, RowTask task);
    // Waits until every row of the job is done or `timeout` has passed;
    // true when done.
    bool waitFor(std::chrono::milliseconds timeout);
    void waitForAll();
    // begin() and waitForAll().
    void run(int rowCount, RowTask task);
    // The rows not yet taken are dropped and the matches in progress
    // stopped (playCancellableMatch gives them no result); waits for the
    // rows in progress to return. The pool takes the next job as usual.
    void cancel();

    // The rows played to their end; a row in progress when a cancel came is
    // dropped, never done.
    int rowsDone() const { return finishedRows.load(); }
    int threadCount() const { return static_cast<int>(threads.size()); }

private:
    // Leaves no thread and the system's reason in `startFailure` when one
    // cannot start.
    explicit MatchPool(int threadCount);
    void work(Board& board);
    void stopThreads();
    bool jobDone() const { return finishedRows.load() + droppedRows.load() >= rowCount; }

    // Guards job changes and the threads' sleep; the rows themselves are
    // taken through the atomic counters.
    std::mutex jobMutex;
    std::condition_variable jobReady;
    std::condition_variable jobFinished;
    RowTask task;
    int rowCount = 0;
    unsigned jobNumber = 0;
    bool shuttingDown = false;
    int busyThreads = 0;
    // Raised by cancel() until the next begin(); every board watches it.
    std::atomic<bool> cancelling{false};
    std::atomic<int> nextRow{0};
    std::atomic<int> finishedRows{0};
    std::atomic<int> droppedRows{0};
    std::vector<std::unique_ptr<Board>> boards;
    std::vector<std::thread> threads;
    std::string startFailure;
};
