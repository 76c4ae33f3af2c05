#include "batch/BatchRunner.h"

#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

BatchRunner::BatchRunner(std::uint32_t seed, int generations, QObject* parent)
    : QObject(parent), lastGeneration(generations)
{
    reseedRandomSources(seed);
    worker = new LifegameThread(this);
    connect(worker, &LifegameThread::sendMessage, this, &BatchRunner::stopAtLastGeneration,
            Qt::DirectConnection);
    // Queued from the worker's thread, so the lines arrive in order and before
    // the run's finished notification.
    connect(worker, &LifegameThread::sendMessage, this, &BatchRunner::lineReady);
    connect(worker, &QThread::finished, this, &BatchRunner::onRunEnded);
}

BatchRunner::~BatchRunner() = default;

void BatchRunner::start()
{
    worker->start();
}

void BatchRunner::interrupt(int exitCode)
{
    if (!interruptCode)
        interruptCode = exitCode;
    // Between runs this leaves the flag set, which is harmless: no run follows.
    worker->requestStop();
}

void BatchRunner::stopAtLastGeneration(const QString& line)
{
    if (line != stoppedLine && worker->generations() >= lastGeneration)
        worker->requestStop();
}

void BatchRunner::onRunEnded()
{
    // finished is emitted just before the thread is done; let it be done.
    worker->wait();
    if (interruptCode) {
        emit finished(*interruptCode);
        return;
    }
    if (worker->generations() >= lastGeneration) {
        emit finished(0);
        return;
    }
    worker->start();
}
