#pragma once

#include "board/MatchPool.h"

#include <memory>
#include <optional>

// A pool of `threads` threads (None: one per core); ValueError outside 1 to
// 1024, as the command line bounds them, RuntimeError when the system
// refuses them.
std::unique_ptr<MatchPool> startPool(std::optional<int> threads);

// Plays the job's rows on the pool with the GIL released, waking every tenth
// of a second to run Python's signal handlers: when one raises (Ctrl-C's
// KeyboardInterrupt), the job is cancelled and the exception thrown.
void runInterruptibly(MatchPool& pool, int rowCount, MatchPool::RowTask task);
