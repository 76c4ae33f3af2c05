#pragma once

#include "evolution/Birth.h"

#include <vector>

// Everything the evolution worker carries from one generation to the next,
// as plain values (the worker's Patterns share their cells; these do not).
struct EvolutionState {
    // A pattern's cells, cell (x, y) at element x + width * y.
    using Cells = std::vector<int>;

    int generationCount = 0;
    // 0 or the population size: the first slot of the current buffer.
    int currentOffset = 0;
    // Generations completed in the run of 100 in progress.
    int generationsInRun = 0;
    // Both buffers of each population: twice the population size in slots.
    std::vector<Cells> population1;
    std::vector<Cells> population2;
    float bestScore1 = -1.0f;
    float bestScore2 = -1.0f;
    Cells bestPattern1;
    Cells bestPattern2;
    float lastScoreSum1 = 0.0f;
    float lastScoreSum2 = 0.0f;
    // How each member of the current buffer was bred (the population size
    // each), its parents being the other buffer's; empty when not known.
    Births births1;
    Births births2;
    // Each population's champion of every completed generation, in order,
    // kept while a hall of fame is played.
    std::vector<Cells> hall1;
    std::vector<Cells> hall2;
};
