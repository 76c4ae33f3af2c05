#pragma once

#include "batch/BatchOptions.h"
#include "output/OutputLock.h"
#include "records/CheckpointFormat.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// One batch run from its command line to its exit code: the options, the
// checkpoint it resumes from, the outputs' checks and locks, the pool, the
// recorder and the checkpoint it keeps, the termination signals. The
// application (a QGuiApplication when it plots) exists before, and the
// termination signals are blocked in every thread.
class BatchSession
{
public:
    explicit BatchSession(const QStringList& arguments);
    ~BatchSession();
    BatchSession(const BatchSession&) = delete;
    BatchSession& operator=(const BatchSession&) = delete;

    // Prints what the program prints and gives its exit code; runs the event
    // loop while the batch plays.
    int run();

    // The checkpoint at `path` read already: a resume from that path takes
    // it instead of reading the file again.
    void takeCheckpointRead(const QString& path, CheckpointRead read);

private:
    // The resume's checkpoint merged in, the outputs checked and locked; the
    // exit code when the run cannot start.
    std::optional<int> prepare();
    int play(std::uint32_t seed);

    const QStringList arguments;
    BatchOptions options;
    ExperimentConfig config;
    std::optional<Checkpoint> resumed;
    CheckpointRead read;
    QString readPath;
    // One writer per run: the checkpoint, the archive and the CSV log stay
    // locked for as long as this process runs.
    std::vector<std::unique_ptr<OutputLock>> locks;
};
