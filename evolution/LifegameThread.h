#pragma once

#include "board/Match.h"
#include "board/Pattern.h"
#include "evolution/EvolutionState.h"
#include "evolution/ExperimentConfig.h"
#include "evolution/GenerationReport.h"
#include "evolution/MatchBoardsRunner.h"

#include "board/HandOffThread.h"

#include <QMutex>

#include <array>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <vector>

// The evolution worker: two populations of patterns in double buffers, bred
// generation after generation on a thread of its own. Population 1 always
// plays cell code 1, population 2 code 2. Its numbers come from an
// ExperimentConfig; the window's experiment (the constants below) is the
// default.
class LifegameThread : public HandOffThread
{
    Q_OBJECT

public:
    static constexpr int populationSize = 100;
    static constexpr int slotCount = 2 * populationSize;
    static constexpr int matchesPerGeneration = 400;
    static constexpr int generationsPerRun = 100;
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
    void reportFullState(bool wanted) { fullStateWanted = wanted; }

    // The run in progress ends after its current generation.
    void requestStop() { stopRequested = true; }
    // Forgets a stop request that no run has seen yet.
    void clearStopRequest() { stopRequested = false; }
    bool isStopRequested() const { return stopRequested; }

    // A random member of the current generation, sharing the slot's cells.
    // Waits for the generation in progress to end; the next one does not
    // begin before the pick is made.
    Pattern randomMember1();
    Pattern randomMember2();

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

    // The whole state, copied out or restored while the worker is idle. A
    // restored state's generationsInRun counts toward the next run's 100.
    EvolutionState saveState() const;
    void restoreState(const EvolutionState& state);

    // Read-only views of the state, for use while the worker is idle.
    const ExperimentConfig& experiment() const { return config; }
    int generations() const { return generationCount; }
    int bufferOffset() const { return currentOffset; }
    float bestScoreOf(int population) const { return population == 1 ? bestScore1 : bestScore2; }
    Pattern bestPatternOf(int population) const
    {
        return population == 1 ? bestPattern1 : bestPattern2;
    }
    // Slot 0 .. twice the population size - 1 of population 1 or 2.
    Pattern slotOf(int population, int slot) const
    {
        return population == 1 ? population1[slot] : population2[slot];
    }
    const std::vector<float>& selectionTableOf(int population) const
    {
        return population == 1 ? selectionTable1 : selectionTable2;
    }
    // The score sums of the generation last completed, for exact records.
    float scoreSumOf(int population) const
    {
        return population == 1 ? lastScoreSum1 : lastScoreSum2;
    }

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
    struct MatchPair {
        int member1 = 0;
        int member2 = 0;
    };
    // A generation's pairings, orders and results (the current matches,
    // then the hall of fame's), and each member's number of matches; made
    // once per run.
    struct MatchList {
        std::vector<MatchPair> pairs;
        std::vector<MatchOrder> orders;
        std::vector<MatchResult> results;
        std::vector<int> appearances1;
        std::vector<int> appearances2;
    };

    void playGeneration(MatchList& matches);
    void drawMatches(MatchList& matches);
    void addHallOfFameMatches(MatchList& matches);
    void addScores(const MatchList& matches);
    GenerationReport playedGeneration() const;
    // saveState() but for the halls of fame, which only grow: a report
    // carries each generation's champions instead.
    EvolutionState stateWithoutHalls() const;
    void breed();
    Pattern pickMember(const std::vector<Pattern>& population);
    void announcePick();
    void withdrawPick();
    // Between generations: lets the picks waiting for the mutex have it
    // before the next generation takes it again (a QMutex is not fair).
    void letWaitingPicksIn();

    const ExperimentConfig config;
    int generationCount = 0;
    int currentOffset = 0;
    int generationsInRun = 0;
    // Where the next run starts counting; set by restoreState.
    int firstRunStartsAt = 0;
    std::vector<Pattern> population1;
    std::vector<Pattern> population2;
    std::vector<float> scores1;
    std::vector<float> scores2;
    std::vector<float> selectionTable1;
    std::vector<float> selectionTable2;
    // Copies of each population's champions, one per completed generation.
    std::vector<Pattern> hall1;
    std::vector<Pattern> hall2;
    MatchBoardsRunner matchBoards;
    MatchRunner* matchRunner = &matchBoards;
    int lastGeneration = std::numeric_limits<int>::max();
    bool fullStateWanted = false;
    float bestScore1 = -1.0f;
    Pattern bestPattern1;
    float bestScore2 = -1.0f;
    Pattern bestPattern2;
    float lastScoreSum1 = 0.0f;
    float lastScoreSum2 = 0.0f;
    std::atomic<bool> stopRequested{false};
    QMutex mutex;
    // Picks and turns that want `mutex`, guarded by pickTurn; picksDone tells the
    // worker when the last of them has had its turn.
    int waitingPicks = 0;
    std::mutex pickTurn;
    mutable std::mutex reportHandOff;
    std::condition_variable picksDone;
};
