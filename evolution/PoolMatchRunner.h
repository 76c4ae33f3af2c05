#pragma once

#include "evolution/MatchRunner.h"

class MatchPool;

// A generation's matches shared out over a pool's threads, each playing on
// its own board.
class PoolMatchRunner : public MatchRunner
{
public:
    explicit PoolMatchRunner(MatchPool& pool) : pool(pool) {}

    void play(const MatchLayout& layout, const std::vector<MatchOrder>& orders,
              std::vector<MatchResult>& results) override;

private:
    MatchPool& pool;
};
