#include "batch/CheckpointKeeper.h"

#include "batch/ExperimentRecorder.h"
#include "evolution/GenerationReport.h"
#include "records/AtomicFile.h"

CheckpointKeeper::CheckpointKeeper(const QString& path, const Checkpoint& settings)
    : path(path), settings(settings)
{
}

QString CheckpointKeeper::write(const GenerationReport& report,
                                const ExperimentRecorder& recorder) const
{
    Checkpoint checkpoint = settings;
    checkpoint.evolution = *report.state;
    checkpoint.randomSources = report.randomSources;
    checkpoint.csvBytes = recorder.csvBytes();
    checkpoint.archiveBytes = recorder.archiveBytes();
    // Only the plot needs the whole history.
    if (!settings.plotPath.isEmpty())
        checkpoint.history = recorder.records();
    return writeFileAtomically(path, encodeCheckpoint(checkpoint));
}
