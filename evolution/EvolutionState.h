#pragma once

#include "board/Pattern.h"

#include <array>

// Everything the evolution worker carries from one generation to the next,
// as plain values (the worker's Patterns share their cells; these do not).
struct EvolutionState {
    static constexpr int populationSize = 100;
    static constexpr int slotCount = 2 * populationSize;
    using Cells = std::array<int, patternCells>;

    int generationCount = 0;
    int currentOffset = 0;
    // Generations completed in the run of 100 in progress.
    int generationsInRun = 0;
    // Both buffers of each population.
    std::array<Cells, slotCount> population1{};
    std::array<Cells, slotCount> population2{};
    float bestScore1 = -1.0f;
    float bestScore2 = -1.0f;
    Cells bestPattern1{};
    Cells bestPattern2{};
    float lastScoreSum1 = 0.0f;
    float lastScoreSum2 = 0.0f;
};
