#include "records/EvolutionRun.h"

EvolutionRun::EvolutionRun(std::uint32_t seed, const ExperimentConfig& config)
    : runSeed(seed), sources(seed), coevolution(config, sources.sources())
{
}

std::unique_ptr<EvolutionRun> EvolutionRun::resumed(const Checkpoint& saved)
{
    auto run = std::make_unique<EvolutionRun>(saved.seed, saved.config);
    if (!run->resumeFrom(saved.evolution, saved.randomSources))
        return nullptr;
    return run;
}

bool EvolutionRun::resumeFrom(const EvolutionState& state, const std::string& randomSources)
{
    // The starting populations were drawn; the state replaces them and the
    // sources go back to where it was saved.
    if (!sources.sources().restore(randomSources))
        return false;
    coevolution.restoreState(state);
    return true;
}

GenerationReport EvolutionRun::playNext(MatchRunner& runner)
{
    if (!runStarted || coevolution.runComplete()) {
        coevolution.startRun();
        runStarted = true;
    }
    return coevolution.playGeneration(runner);
}

Checkpoint EvolutionRun::checkpoint() const
{
    Checkpoint saved;
    saved.config = coevolution.experiment();
    saved.seed = runSeed;
    saved.generationsAsked = coevolution.generations();
    saved.evolution = coevolution.saveState();
    saved.randomSources = coevolution.randomSources().state();
    return saved;
}
