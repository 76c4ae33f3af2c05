#include "evolution/ExperimentConfig.h"

bool ExperimentConfig::operator==(const ExperimentConfig& other) const
{
    return populationSize == other.populationSize && match == other.match &&
           matchesPerGeneration == other.matchesPerGeneration &&
           mutationThreshold == other.mutationThreshold &&
           crossoverThreshold == other.crossoverThreshold && mutationRate == other.mutationRate &&
           hallOfFame == other.hallOfFame;
}
