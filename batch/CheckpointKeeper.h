#pragma once

#include "records/CheckpointFormat.h"

#include <QByteArray>
#include <QObject>

#include <deque>
#include <mutex>

class ExperimentRecorder;
class LifegameThread;

// Keeps a batch run's checkpoint file. The state is taken on the worker's
// thread after each generation and written, replacing the file atomically,
// on this object's thread; queued behind that generation's line, so the
// file never holds a generation the printed log lacks.
class CheckpointKeeper : public QObject
{
    Q_OBJECT

public:
    // `settings` holds what the run was started with: seed, generations
    // asked for and the absolute output paths.
    CheckpointKeeper(const QString& path, const Checkpoint& settings, QObject* parent = nullptr);

    // From a direct connection to the worker's sendMessage, for a progress
    // line, once `recorder` has recorded that generation.
    void capture(const LifegameThread& worker, const ExperimentRecorder& recorder);

signals:
    // Once, for the first checkpoint that could not be written.
    void writeFailed(const QString& error);
    // Emitted on the worker's thread, received queued: one per capture.
    void captured();

private:
    void writeNext();

    const QString path;
    const Checkpoint settings;
    bool failed = false;
    // Captured checkpoints not written yet, oldest first. The queued signal
    // carries no data of ours, so the hand-over is this lock, which
    // ThreadSanitizer sees.
    std::mutex pendingLock;
    std::deque<QByteArray> pending;
};
