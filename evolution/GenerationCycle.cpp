// The worker's thread body: generations of 400 matches, scoring, breeding and
// the progress line.
#include "board/Match.h"
#include "board/StepThread.h"
#include "board/ThreadHandOff.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

#include <QDebug>

namespace
{

// Every score step is computed in double and rounded once when stored.
void buildSelectionTable(const float* scores, float scoreSum, float* table)
{
    const double sum = static_cast<double>(scoreSum);
    table[0] = static_cast<float>(static_cast<double>(scores[0]) / sum);
    for (int k = 1; k < LifegameThread::populationSize; ++k)
        table[k] = static_cast<float>(static_cast<double>(scores[k]) / sum +
                                      static_cast<double>(table[k - 1]));
}

} // namespace

void LifegameThread::run()
{
    // Takes over what start() and the last run (which may have ended
    // without a wait(), as "G" only asks isRunning()) handed over.
    markTakenOver(this);
    std::vector<MatchPair> matchPairs(matchBoards.size());
    std::array<int, populationSize> appearances1{};
    std::array<int, populationSize> appearances2{};
    generationsInRun = firstRunStartsAt;
    firstRunStartsAt = 0;

    qDebug() << "running..." << currentOffset;

    for (;;) {
        playGeneration(matchPairs, appearances1, appearances2);
        letWaitingPicksIn();
        // Looked at only between generations: a stop never cuts one short.
        if (stopRequested)
            break;
        if (generationsInRun >= generationsPerRun)
            break;
    }

    stopRequested = false;
    emit sendMessage(stoppedLine);
    markHandedOver(this);
}

void LifegameThread::playGeneration(std::vector<MatchPair>& matchPairs,
                                    std::array<int, populationSize>& appearances1,
                                    std::array<int, populationSize>& appearances2)
{
    const HandOffLocker<QMutex> locker(mutex);

    scores1.fill(0.0f);
    scores2.fill(0.0f);
    selectionTable1.fill(0.0f);
    selectionTable2.fill(0.0f);
    appearances1.fill(0);
    appearances2.fill(0);
    int matchesPlayed = 0;
    float scoreSum1 = 0.0f;
    float scoreSum2 = 0.0f;

    const int boardCount = static_cast<int>(matchBoards.size());
    while (matchesPlayed < matchesPerGeneration) {
        // All pairings of a batch are drawn before any board is touched.
        for (MatchPair& pair : matchPairs) {
            pair.member1 = static_cast<int>(integerSource() % populationSize);
            pair.member2 = static_cast<int>(integerSource() % populationSize);
            ++appearances1[pair.member1];
            ++appearances2[pair.member2];
        }
        for (int k = 0; k < boardCount; ++k) {
            StepThread* board = matchBoards[k];
            setUpMatch(board->board(), population1[currentOffset + matchPairs[k].member1],
                       population2[currentOffset + matchPairs[k].member2]);
            board->start();
        }
        for (int k = 0; k < boardCount; ++k) {
            StepThread* board = matchBoards[k];
            board->wait();
            const MatchResult result = matchResult(board->board());
            float& score1 = scores1[matchPairs[k].member1];
            float& score2 = scores2[matchPairs[k].member2];
            score1 = static_cast<float>(static_cast<double>(score1) + result.firstScore());
            score2 = static_cast<float>(static_cast<double>(score2) + result.secondScore());
        }
        matchesPlayed += boardCount;
    }

    for (int i = 0; i < populationSize; ++i) {
        scores1[i] = appearances1[i] == 0
                         ? 0.0f
                         : static_cast<float>(static_cast<double>(scores1[i]) / appearances1[i]);
        scores2[i] = appearances2[i] == 0
                         ? 0.0f
                         : static_cast<float>(static_cast<double>(scores2[i]) / appearances2[i]);
        if (scores1[i] > bestScore1) {
            bestScore1 = scores1[i];
            for (int c = 0; c < patternCells; ++c)
                bestPattern1[c] = population1[currentOffset + i][c];
        }
        if (scores2[i] > bestScore2) {
            bestScore2 = scores2[i];
            for (int c = 0; c < patternCells; ++c)
                bestPattern2[c] = population2[currentOffset + i][c];
        }
        scoreSum1 = static_cast<float>(static_cast<double>(scoreSum1) + scores1[i]);
        scoreSum2 = static_cast<float>(static_cast<double>(scoreSum2) + scores2[i]);
    }

    buildSelectionTable(scores1.data(), scoreSum1, selectionTable1.data());
    buildSelectionTable(scores2.data(), scoreSum2, selectionTable2.data());

    breed();

    ++generationCount;
    ++generationsInRun;
    currentOffset = populationSize - currentOffset;
    lastScoreSum1 = scoreSum1;
    lastScoreSum2 = scoreSum2;

    emit sendMessage(progressLine(generationCount, scoreSum1, scoreSum2, bestScore1, bestScore2));
}
