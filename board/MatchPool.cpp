#include "board/MatchPool.h"

#include "board/Match.h"

#include <algorithm>
#include <system_error>

MatchPool::MatchPool(int threadCount)
{
    const int count = std::max(1, threadCount);
    for (int k = 0; k < count; ++k) {
        boards.push_back(std::make_unique<Board>());
        prepareMatchBoard(*boards.back());
        boards.back()->watchCancelFlag(&cancelling);
    }
    try {
        for (int k = 0; k < count; ++k)
            threads.emplace_back([this, k] { work(*boards[k]); });
    } catch (const std::system_error& error) {
        startFailure = error.code().message();
        stopThreads();
        threads.clear();
    }
}

int MatchPool::defaultThreadCount()
{
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, maximumThreadCount);
}

std::unique_ptr<MatchPool> MatchPool::start(int threadCount, std::string& failure)
{
    std::unique_ptr<MatchPool> pool(new MatchPool(threadCount));
    if (pool->startFailure.empty())
        return pool;
    const int count = std::max(1, threadCount);
    failure = "cannot start " + std::to_string(count) + (count == 1 ? " thread: " : " threads: ") +
              pool->startFailure;
    return nullptr;
}

MatchPool::~MatchPool()
{
    cancel();
    stopThreads();
}

void MatchPool::stopThreads()
{
    {
        const std::lock_guard<std::mutex> lock(jobMutex);
        shuttingDown = true;
    }
    jobReady.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

void MatchPool::begin(int rows, RowTask rowTask)
{
    {
        const std::lock_guard<std::mutex> lock(jobMutex);
        task = std::move(rowTask);
        // No row of the last job is in progress: it was waited for.
        cancelling = false;
        rowCount = rows;
        nextRow = 0;
        finishedRows = 0;
        droppedRows = 0;
        ++jobNumber;
    }
    jobReady.notify_all();
}

void MatchPool::work(Board& board)
{
    unsigned jobSeen = 0;
    std::unique_lock<std::mutex> lock(jobMutex);
    for (;;) {
        jobReady.wait(lock, [&] { return shuttingDown || jobNumber != jobSeen; });
        if (shuttingDown)
            return;
        jobSeen = jobNumber;
        ++busyThreads;
        lock.unlock();
        for (;;) {
            const int row = nextRow.fetch_add(1);
            if (row >= rowCount)
                break;
            task(row, board);
            // A cancel may have cut the row's last match short.
            (cancelling.load() ? droppedRows : finishedRows).fetch_add(1);
        }
        lock.lock();
        --busyThreads;
        // The last thread out of a job tells the waiters; by then no row of
        // it is in progress.
        if (busyThreads == 0)
            jobFinished.notify_all();
    }
}

bool MatchPool::waitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(jobMutex);
    return jobFinished.wait_for(lock, timeout, [this] { return jobDone() && busyThreads == 0; });
}

void MatchPool::waitForAll()
{
    std::unique_lock<std::mutex> lock(jobMutex);
    jobFinished.wait(lock, [this] { return jobDone() && busyThreads == 0; });
}

void MatchPool::run(int rows, RowTask rowTask)
{
    begin(rows, std::move(rowTask));
    waitForAll();
}

void MatchPool::cancel()
{
    {
        const std::lock_guard<std::mutex> lock(jobMutex);
        // First the matches in progress, so that a row taken from now on
        // stops at once too.
        cancelling = true;
        // Takes the untaken rows away from the counter, so no thread starts
        // one; a second cancel finds none left to drop.
        const int taken = std::min(nextRow.exchange(rowCount), rowCount);
        droppedRows += rowCount - taken;
    }
    waitForAll();
}
