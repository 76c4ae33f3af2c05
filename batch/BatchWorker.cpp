#include "batch/BatchWorker.h"

#include "board/ThreadHandOff.h"
#include "evolution/MatchRunner.h"
#include "evolution/ProgressLine.h"
#include "records/EvolutionRun.h"

#include <QDebug>

#include <optional>

BatchWorker::BatchWorker(EvolutionRun& run, QObject* parent)
    : HandOffThread(parent), evolutionRun(run)
{
}

BatchWorker::~BatchWorker()
{
    requestStop();
    wait();
}

void BatchWorker::run()
{
    markTakenOver(this);
    // The window's worker says so too; Qt's logging rules show it.
    qDebug() << "running..." << evolutionRun.evolution().bufferOffset();
    for (;;) {
        std::optional<GenerationReport> played;
        try {
            played = evolutionRun.playNext(*matchRunner);
        } catch (const GenerationGivenUp&) {
            // Nothing of it is printed or recorded.
            break;
        }
        const GenerationReport& report = *played;
        emit sendMessage(progressLine(report));
        {
            const std::lock_guard<std::mutex> handOff(reportHandOff);
            emit generationPlayed(report);
        }
        // Looked at only between generations: a stop never cuts one short.
        if (stopRequested || evolutionRun.evolution().generations() >= lastGeneration ||
            evolutionRun.runComplete())
            break;
    }
    stopRequested = false;
    emit sendMessage(stoppedLine);
    emit runEnded();
    markHandedOver(this);
}
