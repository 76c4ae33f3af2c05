#include "python/PoolWait.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <string>

namespace py = pybind11;

std::unique_ptr<MatchPool> startPool(std::optional<int> threads)
{
    const int count = threads.value_or(MatchPool::defaultThreadCount());
    if (count < 1 || count > MatchPool::maximumThreadCount)
        throw py::value_error("threads: 1 to " + std::to_string(MatchPool::maximumThreadCount) +
                              ", not " + std::to_string(count));
    std::string failure;
    std::unique_ptr<MatchPool> pool = MatchPool::start(count, failure);
    if (!pool)
        throw std::runtime_error(failure);
    return pool;
}

void waitInterruptibly(MatchPool& pool)
{
    for (;;) {
        bool done = false;
        {
            py::gil_scoped_release release;
            done = pool.waitFor(std::chrono::milliseconds(100));
        }
        if (done)
            return;
        if (PyErr_CheckSignals() != 0) {
            {
                py::gil_scoped_release release;
                pool.cancel();
            }
            throw py::error_already_set();
        }
    }
}

void runInterruptibly(MatchPool& pool, int rowCount, MatchPool::RowTask task)
{
    pool.begin(rowCount, std::move(task));
    waitInterruptibly(pool);
}
