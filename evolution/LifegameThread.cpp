#include "evolution/LifegameThread.h"

#include "board/ThreadHandOff.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

#include <QDebug>
#include <QMetaMethod>

LifegameThread::LifegameThread(QObject* parent) : LifegameThread(ExperimentConfig(), parent) {}

LifegameThread::LifegameThread(const ExperimentConfig& experiment, QObject* parent)
    : HandOffThread(parent), coevolution(experiment, RandomSources::processWide())
{
}

LifegameThread::~LifegameThread()
{
    requestStop();
    wait();
}

void LifegameThread::run()
{
    // Takes over what start() and the last run (which may have ended
    // without a wait(), as "G" only asks isRunning()) handed over.
    markTakenOver(this);
    coevolution.startRun();

    qDebug() << "running..." << coevolution.bufferOffset();

    for (;;) {
        playGeneration();
        letWaitingPicksIn();
        // Looked at only between generations: a stop never cuts one short.
        if (stopRequested || coevolution.generations() >= lastGeneration)
            break;
        if (coevolution.runComplete())
            break;
    }

    stopRequested = false;
    emit sendMessage(stoppedLine);
    emit runEnded();
    markHandedOver(this);
}

void LifegameThread::playGeneration()
{
    const HandOffLocker<QMutex> locker(mutex);
    const GenerationReport report = coevolution.playGeneration(*matchRunner);
    emit sendMessage(progressLine(report));
    if (isSignalConnected(QMetaMethod::fromSignal(&LifegameThread::generationPlayed))) {
        const std::lock_guard<std::mutex> handOff(reportHandOff);
        emit generationPlayed(report);
    }
}

Pattern LifegameThread::pickMember(int population)
{
    const PickTurn turn(*this);
    const HandOffLocker<QMutex> locker(mutex);
    return coevolution.randomMember(population);
}

void LifegameThread::announcePick()
{
    const std::lock_guard<std::mutex> turn(pickTurn);
    ++waitingPicks;
}

void LifegameThread::withdrawPick()
{
    {
        const std::lock_guard<std::mutex> turn(pickTurn);
        --waitingPicks;
    }
    picksDone.notify_all();
}

void LifegameThread::letWaitingPicksIn()
{
    std::unique_lock<std::mutex> turn(pickTurn);
    picksDone.wait(turn, [this] { return waitingPicks == 0; });
}
