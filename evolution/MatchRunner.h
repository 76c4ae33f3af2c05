#pragma once

#include "board/Match.h"
#include "board/Pattern.h"

#include <exception>
#include <vector>

// One match to play: a member of population 1 (code 1) against a member of
// population 2 (code 2). The patterns stay untouched while it is played.
struct MatchOrder {
    const Pattern* first = nullptr;
    const Pattern* second = nullptr;
};

// Thrown by a runner whose owner gives the generation in progress up: the
// evolution is then as before it (Evolution::playGeneration).
struct GenerationGivenUp : std::exception {
    const char* what() const noexcept override { return "the generation was given up"; }
};

// Plays a generation's matches. Every match is deterministic, so whichever
// runner plays them, on however many threads, the results are the same.
class MatchRunner
{
public:
    virtual ~MatchRunner() = default;
    // Plays every order in the layout and stores its result at the same index.
    virtual void play(const MatchLayout& layout, const std::vector<MatchOrder>& orders,
                      std::vector<MatchResult>& results) = 0;
};
