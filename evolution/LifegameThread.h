#pragma once

#include "board/Match.h"
#include "board/Pattern.h"
#include "evolution/Evolution.h"
#include "evolution/EvolutionState.h"
#include "evolution/ExperimentConfig.h"
#include "evolution/GenerationReport.h"
#include "evolution/MatchBoardsRunner.h"

#include "board/HandOffThread.h"

#include <QMutex>

#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>

// The evolution worker: an Evolution bred generation after generation on a
// thread of its own, drawing from the process-wide random sources, with the
// progress lines and the picks the window asks for. Its numbers come from an
// ExperimentConfig; the window's experiment (the constants below) is the
// default.
class LifegameThread : public HandOffThread
{
    Q_OBJECT

public:
    static constexpr int populationSize = 100;
    static constexpr int slotCount = 2 * populationSize;
    static constexpr int matchesPerGeneration = 400;
    static constexpr int generationsPerRun = Evolution::generationsPerRun;
    static constexpr int matchSteps = MatchLayout{}.steps;
    static constexpr int boardWidth = MatchLayout{}.boardWidth;
    static constexpr int boardHeight = MatchLayout{}.boardHeight;

    // Draws both random starting populations from the integer source.
    explicit LifegameThread(QObject* parent = nullptr);
    explicit LifegameThread(const ExperimentConfig& config, QObject* parent = nullptr);
    // Asks a running evolution to stop and waits for it before releasing
    // anything, so the worker may be destroyed at any moment.
    ~LifegameThread() override;

    // While idle: who plays the matches. nullptr (the default) is the
    // worker's own two match boards; another runner gives the same results.
    void useMatchRunner(MatchRunner* runner) { matchRunner = runner ? runner : &matchBoards; }
    // While idle: a run ends after the generation that brings the count to
    // `generation`, as if a stop had been requested during it.
    void stopAfterGeneration(int generation) { lastGeneration = generation; }
    // While idle: whether each generationPlayed carries the whole state and
    // the random sources' state, as a checkpoint needs them.
    void reportFullState(bool wanted) { coevolution.reportFullState(wanted); }

    // The run in progress ends after its current generation.
    void requestStop() { stopRequested = true; }
    // Forgets a stop request that no run has seen yet.
    void clearStopRequest() { stopRequested = false; }
    bool isStopRequested() const { return stopRequested; }

    // A random member of the current generation, sharing the slot's cells.
    // Waits for the generation in progress to end; the next one does not
    // begin before the pick is made.
    Pattern randomMember1() { return pickMember(1); }
    Pattern randomMember2() { return pickMember(2); }

    // While one lives, the worker does not begin a generation: picks made
    // under it are all made between the same two generations, so "R" waits
    // for one generation at most and shows two members of the same one.
    class PickTurn
    {
    public:
        explicit PickTurn(LifegameThread& worker) : worker(worker) { worker.announcePick(); }
        ~PickTurn() { worker.withdrawPick(); }
        PickTurn(const PickTurn&) = delete;
        PickTurn& operator=(const PickTurn&) = delete;

    private:
        LifegameThread& worker;
    };

    // The whole state, copied out or restored while the worker is idle.
    EvolutionState saveState() const { return coevolution.saveState(); }
    void restoreState(const EvolutionState& saved) { coevolution.restoreState(saved); }
    // The evolution, for reading while the worker is idle.
    const Evolution& evolution() const { return coevolution; }

    // A receiver on another thread calls this before it reads a report. Qt
    // copies the report for a queued connection inside the emission, which
    // the worker makes holding this lock: taking it orders the copy before
    // the reading in a way ThreadSanitizer sees (Qt's event queue it cannot).
    void takeOverReport() const { const std::lock_guard<std::mutex> lock(reportHandOff); }

signals:
    void sendMessage(const QString& text);
    // After each generation's progress line, when connected: what it played.
    void generationPlayed(const GenerationReport& report);
    // The last thing a run does, after its "stopped": the thread is about to
    // finish, and wait() returns at once or very soon.
    void runEnded();

protected:
    void run() override;

private:
    void playGeneration();
    Pattern pickMember(int population);
    void announcePick();
    void withdrawPick();
    // Between generations: lets the picks waiting for the mutex have it
    // before the next generation takes it again (a QMutex is not fair).
    void letWaitingPicksIn();

    Evolution coevolution;
    MatchBoardsRunner matchBoards;
    MatchRunner* matchRunner = &matchBoards;
    int lastGeneration = std::numeric_limits<int>::max();
    std::atomic<bool> stopRequested{false};
    QMutex mutex;
    // Picks and turns that want `mutex`, guarded by pickTurn; picksDone tells the
    // worker when the last of them has had its turn.
    int waitingPicks = 0;
    std::mutex pickTurn;
    mutable std::mutex reportHandOff;
    std::condition_variable picksDone;
};
