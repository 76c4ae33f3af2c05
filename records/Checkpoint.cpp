#include "records/Checkpoint.h"

#include "evolution/Evolution.h"
#include "random/RandomSources.h"

bool checkpointNumbersInRange(const Checkpoint& checkpoint)
{
    const EvolutionState& state = checkpoint.evolution;
    const ExperimentConfig& config = checkpoint.config;
    const auto generations = static_cast<std::size_t>(state.generationCount);
    return state.generationCount >= 1 && state.generationsInRun >= 1 &&
           state.generationsInRun <= Evolution::generationsPerRun &&
           (state.currentOffset == 0 || state.currentOffset == config.populationSize) &&
           state.hall1.size() == state.hall2.size() &&
           state.hall1.size() == (config.hallOfFame > 0 ? generations : 0) &&
           checkpoint.generationsAsked >= 1 && checkpoint.csvBytes >= 0 &&
           checkpoint.archiveBytes >= 0 && isRandomSourcesState(checkpoint.randomSources);
}
