#include "batch/BatchRunner.h"

#include "evolution/EvolutionState.h"
#include "evolution/GenerationReport.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

BatchRunner::BatchRunner(std::uint32_t seed, int generations, const ExperimentConfig& config,
                         QObject* parent)
    : QObject(parent), lastGeneration(generations)
{
    reseedRandomSources(seed);
    worker = new LifegameThread(config, this);
    worker->stopAfterGeneration(lastGeneration);
    // Queued from the worker's thread, in the order emitted: a generation's
    // line, then its report; the run's "stopped" comes before its end.
    connect(worker, &LifegameThread::sendMessage, this, &BatchRunner::lineReady);
    connect(worker, &LifegameThread::generationPlayed, this,
            [this](const GenerationReport& report) {
                worker->takeOverReport();
                emit generationPlayed(report);
            });
    connect(worker, &LifegameThread::runEnded, this, &BatchRunner::onRunEnded);
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

void BatchRunner::useMatchRunner(MatchRunner* runner)
{
    worker->useMatchRunner(runner);
}

void BatchRunner::reportFullState(bool wanted)
{
    worker->reportFullState(wanted);
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
        this,
        [this] {
            emit lineReady(stoppedLine);
            onRunEnded();
        },
        Qt::QueuedConnection);
}

void BatchRunner::interrupt(int exitCode)
{
    if (!interruptCode)
        interruptCode = exitCode;
    // Between runs this leaves the flag set, which is harmless: no run follows.
    worker->requestStop();
}

void BatchRunner::onRunEnded()
{
    // runEnded comes just before the thread is done; let it be done.
    worker->wait();
    if (interruptCode) {
        emit finished(*interruptCode);
        return;
    }
    if (worker->evolution().generations() >= lastGeneration) {
        emit finished(0);
        return;
    }
    worker->start();
}
