#pragma once

#include "board/MatchPool.h"

#include <memory>
#include <optional>

// A pool of `threads` threads (None: one per core); ValueError outside 1 to
// 1024, as the command line bounds them, RuntimeError when the system
// refuses them.
std::unique_ptr<MatchPool> startPool(std::optional<int> threads);

// Waits for the pool's job with the GIL released, waking every tenth of a
// second to run Python's signal handlers: when one raises (Ctrl-C's
// KeyboardInterrupt), the job is cancelled, its matches in progress
// stopped, and the exception thrown. Called with the GIL held.
void waitInterruptibly(MatchPool& pool);
// Hands the job's rows to the pool and waits for them as above.
void runInterruptibly(MatchPool& pool, int rowCount, MatchPool::RowTask task);
