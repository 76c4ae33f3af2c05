#pragma once

#include "board/Match.h"

// Every number of a co-evolution experiment. The defaults are the window's
// experiment, the one a run without a configuration plays.
struct ExperimentConfig {
    // Members per population; each population has twice as many slots.
    int populationSize = 100;
    // Board, steps, pattern size and the two placements.
    MatchLayout match;
    // Matches between current members per generation.
    int matchesPerGeneration = 400;
    // Breeding: an operator draw below the first threshold mutates, below the
    // second crosses over, else copies; a mutated cell flips below the rate.
    // Single precision, as they are compared.
    float mutationThreshold = 0.3f;
    float crossoverThreshold = 0.8f;
    float mutationRate = 0.01f;
    // Extra matches per member and generation against past champions of the
    // other population.
    int hallOfFame = 0;

    bool operator==(const ExperimentConfig& other) const;
    bool operator!=(const ExperimentConfig& other) const { return !(*this == other); }
};
