#pragma once

#include "evolution/Evolution.h"
#include "evolution/EvolutionState.h"
#include "evolution/GenerationReport.h"
#include "random/RandomSources.h"
#include "records/CheckpointFormat.h"

#include <cstdint>
#include <memory>
#include <string>

class MatchRunner;

// One run of the co-evolution as the programs drive it: an Evolution on
// random sources of its own seeded with the run's seed, played one
// generation per call in runs of 100, checkpointed and resumed. Not
// thread-safe: its owner serialises the calls.
class EvolutionRun
{
public:
    EvolutionRun(std::uint32_t seed, const ExperimentConfig& config);
    EvolutionRun(const EvolutionRun&) = delete;
    EvolutionRun& operator=(const EvolutionRun&) = delete;

    // The run `saved` holds, its seed and experiment; nullptr when its random
    // sources do not read.
    static std::unique_ptr<EvolutionRun> resumed(const Checkpoint& saved);
    // Before the first generation: goes on from a saved state and random
    // sources instead of the starting populations. False, changing nothing,
    // when the sources do not read.
    bool resumeFrom(const EvolutionState& state, const std::string& randomSources);

    // Plays the next generation through `runner`, beginning a run of 100
    // first when none is in progress or the last one is complete. A runner
    // that throws gives the generation up, as Evolution's does.
    GenerationReport playNext(MatchRunner& runner);
    // Whether the run of 100 in progress has all its generations.
    bool runComplete() const { return coevolution.runComplete(); }
    void reportFullState(bool wanted) { coevolution.reportFullState(wanted); }

    // The checkpoint of the run so far: experiment, seed, the generations
    // played as those asked for, the state and the random sources; no
    // outputs.
    Checkpoint checkpoint() const;

    std::uint32_t seed() const { return runSeed; }
    const Evolution& evolution() const { return coevolution; }

private:
    const std::uint32_t runSeed;
    OwnRandomSources sources;
    Evolution coevolution;
    bool runStarted = false;
};
