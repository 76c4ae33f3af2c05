#pragma once

#include "evolution/ExperimentConfig.h"

#include <QObject>

#include <cstdint>
#include <optional>
#include <string>

class LifegameThread;
class MatchRunner;
struct EvolutionState;

struct GenerationReport;

// Drives one evolution worker the way a user pressing "G" would: starts it,
// starts it again each time a run of 100 generations ends, and has it stop
// right after the requested generation. Lives on the thread of an event loop.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    // Seeds the random sources with `seed` before the worker draws its
    // starting populations.
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

    const LifegameThread* evolutionWorker() const { return worker; }

signals:
    // Every line the log pane would show, in order, on this object's thread.
    void lineReady(const QString& line);
    // After each generation's line, on this object's thread.
    void generationPlayed(const GenerationReport& report);
    // After the last line; the worker is idle by then.
    void finished(int exitCode);

private:
    void onRunEnded();

    LifegameThread* worker = nullptr;
    const int lastGeneration;
    std::optional<int> interruptCode;
    bool owesStoppedLine = false;
};
