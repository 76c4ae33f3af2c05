#pragma once

#include "board/HandOffThread.h"
#include "evolution/GenerationReport.h"
#include "evolution/MatchBoardsRunner.h"

#include <atomic>
#include <limits>
#include <mutex>

class EvolutionRun;
class MatchRunner;

// The batch's thread: plays a run's generations up to the end of its run of
// 100, as the window's worker plays them for "G", with a progress line after
// each and "stopped" at the end. Nothing else touches the run while it plays.
class BatchWorker : public HandOffThread
{
    Q_OBJECT

public:
    BatchWorker(EvolutionRun& run, QObject* parent);
    // Asks a playing run to stop and waits for it.
    ~BatchWorker() override;

    // While idle: who plays the matches; nullptr is the worker's own two
    // match boards.
    void useMatchRunner(MatchRunner* runner) { matchRunner = runner ? runner : &matchBoards; }
    // While idle: a run ends after the generation that brings the count to
    // `generation`.
    void stopAfterGeneration(int generation) { lastGeneration = generation; }
    // The run in progress ends after its current generation.
    void requestStop() { stopRequested = true; }

    // A receiver on another thread calls this before it reads a report: the
    // worker emits holding this lock, inside which Qt copies the report, and
    // taking it orders the copy before the reading in a way ThreadSanitizer
    // sees.
    void takeOverReport() const { const std::lock_guard<std::mutex> lock(reportHandOff); }

signals:
    void sendMessage(const QString& text);
    void generationPlayed(const GenerationReport& report);
    // The last thing a run does, after its "stopped".
    void runEnded();

protected:
    void run() override;

private:
    EvolutionRun& evolutionRun;
    MatchBoardsRunner matchBoards;
    MatchRunner* matchRunner = &matchBoards;
    int lastGeneration = std::numeric_limits<int>::max();
    std::atomic<bool> stopRequested{false};
    mutable std::mutex reportHandOff;
};
