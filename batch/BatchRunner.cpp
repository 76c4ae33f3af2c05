#include "batch/BatchRunner.h"

#include "batch/BatchWorker.h"
#include "evolution/EvolutionState.h"
#include "evolution/GenerationReport.h"
#include "evolution/ProgressLine.h"
#include "records/EvolutionRun.h"

BatchRunner::BatchRunner(std::uint32_t seed, int generations, const ExperimentConfig& config,
                         QObject* parent)
    : QObject(parent), evolutionRun(std::make_unique<EvolutionRun>(seed, config)),
      lastGeneration(generations)
{
    worker = new BatchWorker(*evolutionRun, this);
    worker->stopAfterGeneration(lastGeneration);
    // Queued from the worker's thread, in the order emitted: a generation's
    // line, then its report; the run's "stopped" comes before its end.
    connect(worker, &BatchWorker::sendMessage, this, &BatchRunner::lineReady);
    connect(worker, &BatchWorker::generationPlayed, this, [this](const GenerationReport& report) {
        worker->takeOverReport();
        emit generationPlayed(report);
    });
    connect(worker, &BatchWorker::runEnded, this, &BatchRunner::onRunEnded);
}

// The worker, a child, is stopped and waited for before the run it plays
// goes.
BatchRunner::~BatchRunner()
{
    delete worker;
}

bool BatchRunner::continueFrom(const EvolutionState& state, const std::string& randomSources)
{
    if (!evolutionRun->resumeFrom(state, randomSources))
        return false;
    owesStoppedLine = state.generationsInRun == Evolution::generationsPerRun ||
                      state.generationCount >= lastGeneration;
    return true;
}

void BatchRunner::useMatchRunner(MatchRunner* runner)
{
    worker->useMatchRunner(runner);
}

void BatchRunner::reportFullState(bool wanted)
{
    evolutionRun->reportFullState(wanted);
}

bool BatchRunner::isPlaying() const
{
    return worker->isRunning();
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
    if (evolutionRun->evolution().generations() >= lastGeneration) {
        emit finished(0);
        return;
    }
    worker->start();
}
