#pragma once

#include "board/MatchPool.h"
#include "evolution/Evolution.h"
#include "evolution/GenerationReport.h"
#include "evolution/PoolMatchRunner.h"
#include "records/EvolutionRun.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <QString>

// Another process holds the lock a batch takes on its checkpoint:
// coevolife.InUseError, an OSError, with the batch's own line.
class CheckpointInUseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A co-evolution run driven from Python, one generation per call, with
// random sources of its own and a pool of threads started once: the same
// numbers, generation for generation, as coevolife-batch with that seed.
class PythonRun
{
public:
    // ValueError for a configuration a file could not give or a thread
    // count below one.
    PythonRun(std::uint32_t seed, const ExperimentConfig& config, std::optional<int> threads);
    // The run a batch checkpoint (or checkpoint()) holds; ValueError with
    // the reader's message for one it refuses, CheckpointInUseError while
    // a batch (or another process) holds its lock.
    static std::unique_ptr<PythonRun> resume(const QString& path, std::optional<int> threads);

    // Plays the next generation without the GIL; runs of 100 begin and end
    // as the batch's do. RuntimeError while another thread plays the run.
    // Ctrl-C gives the generation up at once with KeyboardInterrupt: the
    // run stays at the last whole generation, and the next call plays the
    // same generation.
    GenerationReport playNext();
    // Writes the batch's checkpoint of the run so far, atomically, holding
    // the checkpoint's lock as a batch does while it writes;
    // CheckpointInUseError while another process holds it, FileExistsError
    // for a batch's checkpoint that names outputs, which this run would
    // strand, the OSError of its errno for a write that fails.
    void checkpoint(const QString& path) const;

    std::uint32_t seed() const { return run->seed(); }
    const Evolution& evolution() const { return run->evolution(); }

private:
    PythonRun(std::unique_ptr<EvolutionRun> run, std::unique_ptr<MatchPool> pool);

    std::unique_ptr<EvolutionRun> run;
    std::unique_ptr<MatchPool> pool;
    PoolMatchRunner runner;
    // Set, the GIL held, while a generation is played without it: another
    // Python thread may not play or save the run meanwhile.
    bool playing = false;
};
