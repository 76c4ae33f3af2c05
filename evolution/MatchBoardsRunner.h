#pragma once

#include "evolution/MatchRunner.h"

#include <array>

class StepThread;

// The worker's own two match boards: the matches in batches of two, each
// board's thread started for its match and waited for, the two side by side.
class MatchBoardsRunner : public MatchRunner
{
public:
    // Creates both boards without a toolkit parent, sized for matches.
    MatchBoardsRunner();
    ~MatchBoardsRunner() override;
    MatchBoardsRunner(const MatchBoardsRunner&) = delete;
    MatchBoardsRunner& operator=(const MatchBoardsRunner&) = delete;

    void play(const MatchLayout& layout, const std::vector<MatchOrder>& orders,
              std::vector<MatchResult>& results) override;

private:
    std::array<StepThread*, 2> boards{};
};
