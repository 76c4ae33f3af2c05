#include "batch/BatchWorker.h"

#include "board/ThreadHandOff.h"
#include "evolution/ProgressLine.h"
#include "records/EvolutionRun.h"

#include <QDebug>

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
        const GenerationReport report = evolutionRun.playNext(*matchRunner);
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
