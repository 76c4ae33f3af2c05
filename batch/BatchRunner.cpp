#include "batch/BatchRunner.h"

#include "evolution/EvolutionState.h"
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
    // Queued from the worker's thread, so the lines arrive in order; "stopped"
    // is the last thing a run does before its thread finishes.
    connect(worker, &LifegameThread::sendMessage, this, &BatchRunner::passLineOn);
}

BatchRunner::~BatchRunner() = default;

bool BatchRunner::continueFrom(const EvolutionState& state, const std::string& randomSources)
{
    if (!restoreRandomSources(randomSources))
        return false;
    worker->restoreState(state);
    owesStoppedLine = state.generationsInRun == LifegameThread::generationsPerRun ||
                      state.generationCount >= lastGeneration;
    return true;
}

void BatchRunner::start()
{
    if (!owesStoppedLine) {
        worker->start();
        return;
    }
    // Queued, so that a batch with nothing left to play finishes inside the
    // event loop.
    QMetaObject::invokeMethod(
        this, [this] { passLineOn(stoppedLine); }, Qt::QueuedConnection);
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

void BatchRunner::passLineOn(const QString& line)
{
    emit lineReady(line);
    if (line == stoppedLine)
        onRunEnded();
}

void BatchRunner::onRunEnded()
{
    // "stopped" comes just before the thread is done; let it be done.
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
