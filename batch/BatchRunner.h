#pragma once

#include "evolution/ExperimentConfig.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class BatchWorker;
class EvolutionRun;
class MatchRunner;
struct EvolutionState;

struct GenerationReport;

// Drives one run on a worker thread the way a user pressing "G" would drive
// the window's: starts it, starts it again each time a run of 100
// generations ends, and has it stop right after the requested generation.
// The run has random sources of its own. Lives on the thread of an event
// loop.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    // The run's sources are seeded with `seed` before it draws its starting
    // populations.
    BatchRunner(std::uint32_t seed, int generations,
                const ExperimentConfig& config = ExperimentConfig(), QObject* parent = nullptr);
    ~BatchRunner() override;

    // Before start(): goes on from a checkpointed state and random sources
    // instead of the fresh populations. A state taken at the end of a run of
    // 100, before its "stopped", or at the last generation asked for, begins
    // with that "stopped". False, starting nothing, on unreadable sources.
    bool continueFrom(const EvolutionState& state, const std::string& randomSources);
    // Before start(): who plays the matches (nullptr: the worker's own
    // boards), and whether the reports carry the whole state.
    void useMatchRunner(MatchRunner* runner);
    void reportFullState(bool wanted);
    void start();
    // Ends the batch after the generation in progress; no further run starts.
    // finished then reports `exitCode`. Later calls keep the first code.
    void interrupt(int exitCode);

    // Whether the worker is playing; while it is not, the run may be read.
    bool isPlaying() const;
    const EvolutionRun& run() const { return *evolutionRun; }

signals:
    // Every line the log pane would show, in order, on this object's thread.
    void lineReady(const QString& line);
    // After each generation's line, on this object's thread.
    void generationPlayed(const GenerationReport& report);
    // After the last line; the worker is idle by then.
    void finished(int exitCode);

private:
    void onRunEnded();

    const std::unique_ptr<EvolutionRun> evolutionRun;
    BatchWorker* worker = nullptr;
    const int lastGeneration;
    std::optional<int> interruptCode;
    bool owesStoppedLine = false;
};
