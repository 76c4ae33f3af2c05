#pragma once

#include "board/Match.h"
#include "board/Pattern.h"
#include "evolution/EvolutionState.h"
#include "evolution/ExperimentConfig.h"
#include "evolution/GenerationReport.h"
#include "evolution/MatchRunner.h"
#include "random/RandomSources.h"

#include <array>
#include <vector>

// The co-evolution itself: two populations of patterns in double buffers,
// bred one generation per call on whatever thread calls, drawing from the
// random sources it is given. Population 1 always plays cell code 1,
// population 2 code 2. Not thread-safe: its owner serialises the calls.
class Evolution
{
public:
    // A run ends after this many generations, as the window's "G" does.
    static constexpr int generationsPerRun = 100;

    // Draws both random starting populations from the integer source.
    Evolution(const ExperimentConfig& config, RandomSources sources);
    Evolution(const Evolution&) = delete;
    Evolution& operator=(const Evolution&) = delete;

    // Begins a run of up to generationsPerRun generations; a restored state
    // taken inside a run goes on counting that run.
    void startRun();
    bool runComplete() const { return generationsInRun >= generationsPerRun; }

    // Plays one generation's matches through the runner, scores and breeds
    // both populations, and says what it played. A runner that throws (a
    // cancel) gives the generation up: the evolution and its random sources
    // are as before the call, so the same call again plays the same
    // generation.
    GenerationReport playGeneration(MatchRunner& runner);
    // Whether each report carries the whole state and the random sources'
    // state, as a checkpoint needs them.
    void reportFullState(bool wanted) { fullStateWanted = wanted; }

    // A random member (1 or 2) of the current generation, sharing the slot's
    // cells; one draw from the integer source.
    Pattern randomMember(int population);

    // The whole state, copied out or restored between generations. A
    // restored state's generationsInRun counts toward the next run's 100.
    EvolutionState saveState() const;
    void restoreState(const EvolutionState& state);

    const ExperimentConfig& experiment() const { return config; }
    RandomSources randomSources() const { return sources; }
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

private:
    struct MatchPair {
        int member1 = 0;
        int member2 = 0;
    };
    // A generation's pairings, orders and results (the current matches,
    // then the hall of fame's), and each member's number of matches.
    struct MatchList {
        std::vector<MatchPair> pairs;
        std::vector<MatchOrder> orders;
        std::vector<MatchResult> results;
        std::vector<int> appearances1;
        std::vector<int> appearances2;
    };

    void drawMatches();
    void addHallOfFameMatches();
    void addScores();
    GenerationReport playedGeneration() const;
    // saveState() but for the halls of fame, which only grow: a report
    // carries each generation's champions instead.
    EvolutionState stateWithoutHalls() const;
    void breed();
    // Buffer 0 begins at slot 0, buffer 1 at the population size.
    int bufferAt(int offset) const { return offset == 0 ? 0 : 1; }
    void restoreBirths(const EvolutionState& state);

    const ExperimentConfig config;
    const RandomSources sources;
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
    MatchList matches;
    // How each slot's member was bred and the cells a mutation flipped, by
    // population and slot; a buffer's are known once breeding has written
    // it or a restored state gave them.
    std::array<std::vector<Birth>, 2> slotBirths;
    std::array<std::vector<std::vector<int>>, 2> slotFlips;
    std::array<bool, 2> bredBuffers{};
    bool fullStateWanted = false;
    float bestScore1 = -1.0f;
    Pattern bestPattern1;
    float bestScore2 = -1.0f;
    Pattern bestPattern2;
    float lastScoreSum1 = 0.0f;
    float lastScoreSum2 = 0.0f;
};
