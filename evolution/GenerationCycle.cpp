// The worker's thread body: generations of 400 matches, scoring, breeding and
// the progress line.
#include "board/ThreadHandOff.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

#include <QDebug>
#include <QMetaMethod>

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

// The highest score, the lowest index on a tie.
int championOf(const std::vector<float>& scores)
{
    int champion = 0;
    for (int member = 1; member < static_cast<int>(scores.size()); ++member)
        if (scores[member] > scores[champion])
            champion = member;
    return champion;
}

} // namespace

void LifegameThread::run()
{
    // Takes over what start() and the last run (which may have ended
    // without a wait(), as "G" only asks isRunning()) handed over.
    markTakenOver(this);
    MatchList matches;
    matches.pairs.resize(matchesPerGeneration);
    matches.orders.resize(matchesPerGeneration);
    matches.results.resize(matchesPerGeneration);
    std::array<int, populationSize> appearances1{};
    std::array<int, populationSize> appearances2{};
    generationsInRun = firstRunStartsAt;
    firstRunStartsAt = 0;

    qDebug() << "running..." << currentOffset;

    for (;;) {
        playGeneration(matches, appearances1, appearances2);
        letWaitingPicksIn();
        // Looked at only between generations: a stop never cuts one short.
        if (stopRequested || generationCount >= lastGeneration)
            break;
        if (generationsInRun >= generationsPerRun)
            break;
    }

    stopRequested = false;
    emit sendMessage(stoppedLine);
    markHandedOver(this);
}

void LifegameThread::playGeneration(MatchList& matches,
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
    float scoreSum1 = 0.0f;
    float scoreSum2 = 0.0f;

    // Nothing else draws while the matches are played, so drawing every
    // pairing first takes the same outputs as drawing a batch's before it.
    for (std::size_t k = 0; k < matches.pairs.size(); ++k) {
        MatchPair& pair = matches.pairs[k];
        pair.member1 = static_cast<int>(integerSource() % populationSize);
        pair.member2 = static_cast<int>(integerSource() % populationSize);
        ++appearances1[pair.member1];
        ++appearances2[pair.member2];
        matches.orders[k] = {&population1[currentOffset + pair.member1],
                             &population2[currentOffset + pair.member2]};
    }
    matchRunner->play(matches.orders, matches.results);
    // Added in match order, whoever played them.
    for (std::size_t k = 0; k < matches.pairs.size(); ++k) {
        const MatchResult& result = matches.results[k];
        float& score1 = scores1[matches.pairs[k].member1];
        float& score2 = scores2[matches.pairs[k].member2];
        score1 = static_cast<float>(static_cast<double>(score1) + result.firstScore());
        score2 = static_cast<float>(static_cast<double>(score2) + result.secondScore());
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
    if (isSignalConnected(QMetaMethod::fromSignal(&LifegameThread::generationPlayed)))
        emit generationPlayed(playedGeneration());
}

GenerationReport LifegameThread::playedGeneration() const
{
    // Breeding has moved the offset on; the played members are still intact
    // in the other buffer.
    const int playedOffset = populationSize - currentOffset;
    GenerationReport report;
    report.generation = generationCount;
    report.matchesPlayed = matchesPerGeneration;
    report.scoreSums = {lastScoreSum1, lastScoreSum2};
    report.bestScores = {bestScore1, bestScore2};
    const std::array<const std::array<Pattern, slotCount>*, 2> populations = {&population1,
                                                                              &population2};
    const std::array<const Pattern*, 2> bestPatterns = {&bestPattern1, &bestPattern2};
    const std::array<const std::array<float, populationSize>*, 2> scores = {&scores1, &scores2};
    for (int p = 0; p < 2; ++p) {
        std::copy_n(bestPatterns[p]->get(), patternCells, report.bestPatterns[p].begin());
        report.populations[p].resize(populationSize);
        for (int member = 0; member < populationSize; ++member)
            std::copy_n((*populations[p])[playedOffset + member].get(), patternCells,
                        report.populations[p][member].begin());
        report.scores[p].assign(scores[p]->begin(), scores[p]->end());
        report.champions[p] = championOf(report.scores[p]);
    }
    if (fullStateWanted) {
        report.state = saveState();
        report.randomSources = randomSourcesState();
    }
    return report;
}
