#include "batch/CheckpointKeeper.h"

#include "board/ThreadHandOff.h"
#include "evolution/LifegameThread.h"
#include "experiments/AtomicFile.h"
#include "experiments/ExperimentRecorder.h"
#include "random/RandomSources.h"

CheckpointKeeper::CheckpointKeeper(const QString& path, const Checkpoint& settings, QObject* parent)
    : QObject(parent), path(path), settings(settings)
{
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
    // Qt's event queue hands the bytes over under a lock ThreadSanitizer
    // cannot see.
    markHandedOver(bytes.constData());
    QMetaObject::invokeMethod(
        this, [this, bytes] { write(bytes); }, Qt::QueuedConnection);
}

void CheckpointKeeper::write(const QByteArray& bytes)
{
    markTakenOver(bytes.constData());
    if (failed)
        return;
    const QString error = writeFileAtomically(path, bytes);
    if (error.isEmpty())
        return;
    failed = true;
    emit writeFailed(error);
}
