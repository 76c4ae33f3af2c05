#include "batch/CheckpointKeeper.h"

#include "batch/ExperimentRecorder.h"
#include "evolution/LifegameThread.h"
#include "random/RandomSources.h"
#include "records/AtomicFile.h"

CheckpointKeeper::CheckpointKeeper(const QString& path, const Checkpoint& settings, QObject* parent)
    : QObject(parent), path(path), settings(settings)
{
    connect(this, &CheckpointKeeper::captured, this, &CheckpointKeeper::writeNext,
            Qt::QueuedConnection);
}

void CheckpointKeeper::capture(const LifegameThread& worker, const ExperimentRecorder& recorder)
{
    Checkpoint checkpoint = settings;
    checkpoint.evolution = worker.saveState();
    checkpoint.randomSources = randomSourcesState();
    checkpoint.csvBytes = recorder.csvBytes();
    checkpoint.archiveBytes = recorder.archiveBytes();
    // Only the plot needs the whole history.
    if (!settings.plotPath.isEmpty())
        checkpoint.history = recorder.records();
    const QByteArray bytes = encodeCheckpoint(checkpoint);
    {
        const std::lock_guard<std::mutex> lock(pendingLock);
        pending.push_back(bytes);
    }
    emit captured();
}

void CheckpointKeeper::writeNext()
{
    QByteArray bytes;
    {
        const std::lock_guard<std::mutex> lock(pendingLock);
        bytes = pending.front();
        pending.pop_front();
    }
    if (failed)
        return;
    const QString error = writeFileAtomically(path, bytes);
    if (error.isEmpty())
        return;
    failed = true;
    emit writeFailed(error);
}
