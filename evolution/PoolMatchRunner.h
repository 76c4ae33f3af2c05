#pragma once

#include "evolution/MatchRunner.h"

#include <functional>
#include <utility>

class MatchPool;

// A generation's matches shared out over a pool's threads, each playing on
// its own board.
class PoolMatchRunner : public MatchRunner
{
public:
    // How play() waits for the pool's rows: to the last one, unless the
    // owner gives a wait of its own. One that cancels the pool's job must
    // then throw, giving the generation up (see Evolution::playGeneration).
    using Wait = std::function<void(MatchPool&)>;

    explicit PoolMatchRunner(MatchPool& pool, Wait wait = {}) : pool(pool), wait(std::move(wait))
    {
    }

    void play(const MatchLayout& layout, const std::vector<MatchOrder>& orders,
              std::vector<MatchResult>& results) override;

private:
    MatchPool& pool;
    Wait wait;
};
