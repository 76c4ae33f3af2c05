// The worker's thread body: generations of matches, scoring, breeding and the
// progress line.
#include "board/ThreadHandOff.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

#include <QDebug>
#include <QMetaMethod>

namespace
{

// Every score step is computed in double and rounded once when stored.
void buildSelectionTable(const std::vector<float>& scores, float scoreSum,
                         std::vector<float>& table)
{
    const double sum = static_cast<double>(scoreSum);
    table[0] = static_cast<float>(static_cast<double>(scores[0]) / sum);
    for (std::size_t k = 1; k < scores.size(); ++k)
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

float addedScore(float sum, double matchScore)
{
    return static_cast<float>(static_cast<double>(sum) + matchScore);
}

Pattern copyOf(const Pattern& pattern, int cells)
{
    Pattern copy = makePattern(cells);
    std::copy(pattern.get(), pattern.get() + cells, copy.get());
    return copy;
}

} // namespace

void LifegameThread::run()
{
    // Takes over what start() and the last run (which may have ended
    // without a wait(), as "G" only asks isRunning()) handed over.
    markTakenOver(this);
    const std::size_t members = static_cast<std::size_t>(config.populationSize);
    const std::size_t hallMatches = 2 * members * static_cast<std::size_t>(config.hallOfFame);
    MatchList matches;
    matches.pairs.resize(static_cast<std::size_t>(config.matchesPerGeneration));
    matches.orders.reserve(matches.pairs.size() + hallMatches);
    matches.results.reserve(matches.pairs.size() + hallMatches);
    generationsInRun = firstRunStartsAt;
    firstRunStartsAt = 0;

    qDebug() << "running..." << currentOffset;

    for (;;) {
        playGeneration(matches);
        letWaitingPicksIn();
        // Looked at only between generations: a stop never cuts one short.
        if (stopRequested || generationCount >= lastGeneration)
            break;
        if (generationsInRun >= generationsPerRun)
            break;
    }

    stopRequested = false;
    emit sendMessage(stoppedLine);
    emit runEnded();
    markHandedOver(this);
}

void LifegameThread::drawMatches(MatchList& matches)
{
    const auto members = static_cast<std::uint32_t>(config.populationSize);
    matches.orders.clear();
    // Nothing else draws while the matches are played, so drawing every
    // pairing first takes the same outputs as drawing a batch's before it.
    for (MatchPair& pair : matches.pairs) {
        pair.member1 = static_cast<int>(integerSource() % members);
        pair.member2 = static_cast<int>(integerSource() % members);
        ++matches.appearances1[pair.member1];
        ++matches.appearances2[pair.member2];
        matches.orders.push_back({&population1[currentOffset + pair.member1],
                                  &population2[currentOffset + pair.member2]});
    }
    if (config.hallOfFame > 0 && !hall1.empty())
        addHallOfFameMatches(matches);
}

void LifegameThread::addHallOfFameMatches(MatchList& matches)
{
    // Each member meets K champions of the other population's past, drawn
    // member by member: population 1's members first, as code 1 against a
    // champion as code 2, then population 2's, as code 2 against a champion
    // as code 1.
    const int members = config.populationSize;
    for (int i = 0; i < members; ++i)
        for (int k = 0; k < config.hallOfFame; ++k) {
            const std::uint32_t h = integerSource() % static_cast<std::uint32_t>(hall2.size());
            matches.orders.push_back({&population1[currentOffset + i], &hall2[h]});
            ++matches.appearances1[i];
        }
    for (int i = 0; i < members; ++i)
        for (int k = 0; k < config.hallOfFame; ++k) {
            const std::uint32_t h = integerSource() % static_cast<std::uint32_t>(hall1.size());
            matches.orders.push_back({&hall1[h], &population2[currentOffset + i]});
            ++matches.appearances2[i];
        }
}

void LifegameThread::addScores(const MatchList& matches)
{
    // In match order, whoever played them: the current matches, then
    // population 1's hall matches, then population 2's. A champion of the
    // hall keeps no score.
    const std::size_t current = matches.pairs.size();
    for (std::size_t k = 0; k < current; ++k) {
        const MatchResult& result = matches.results[k];
        float& score1 = scores1[matches.pairs[k].member1];
        float& score2 = scores2[matches.pairs[k].member2];
        score1 = addedScore(score1, result.firstScore());
        score2 = addedScore(score2, result.secondScore());
    }
    const std::size_t hallPerPopulation = (matches.results.size() - current) / 2;
    const std::size_t perMember = static_cast<std::size_t>(config.hallOfFame);
    for (std::size_t k = 0; k < hallPerPopulation; ++k) {
        float& score1 = scores1[k / perMember];
        score1 = addedScore(score1, matches.results[current + k].firstScore());
    }
    for (std::size_t k = 0; k < hallPerPopulation; ++k) {
        float& score2 = scores2[k / perMember];
        score2 = addedScore(score2, matches.results[current + hallPerPopulation + k].secondScore());
    }
}

void LifegameThread::playGeneration(MatchList& matches)
{
    const HandOffLocker<QMutex> locker(mutex);
    const int members = config.populationSize;
    const int cells = config.match.pattern.cells();

    std::fill(scores1.begin(), scores1.end(), 0.0f);
    std::fill(scores2.begin(), scores2.end(), 0.0f);
    std::fill(selectionTable1.begin(), selectionTable1.end(), 0.0f);
    std::fill(selectionTable2.begin(), selectionTable2.end(), 0.0f);
    matches.appearances1.assign(members, 0);
    matches.appearances2.assign(members, 0);
    float scoreSum1 = 0.0f;
    float scoreSum2 = 0.0f;

    drawMatches(matches);
    matches.results.resize(matches.orders.size());
    matchRunner->play(config.match, matches.orders, matches.results);
    addScores(matches);

    for (int i = 0; i < members; ++i) {
        const int played1 = matches.appearances1[i];
        const int played2 = matches.appearances2[i];
        scores1[i] =
            played1 == 0 ? 0.0f : static_cast<float>(static_cast<double>(scores1[i]) / played1);
        scores2[i] =
            played2 == 0 ? 0.0f : static_cast<float>(static_cast<double>(scores2[i]) / played2);
        if (scores1[i] > bestScore1) {
            bestScore1 = scores1[i];
            for (int c = 0; c < cells; ++c)
                bestPattern1[c] = population1[currentOffset + i][c];
        }
        if (scores2[i] > bestScore2) {
            bestScore2 = scores2[i];
            for (int c = 0; c < cells; ++c)
                bestPattern2[c] = population2[currentOffset + i][c];
        }
        scoreSum1 = addedScore(scoreSum1, scores1[i]);
        scoreSum2 = addedScore(scoreSum2, scores2[i]);
    }

    buildSelectionTable(scores1, scoreSum1, selectionTable1);
    buildSelectionTable(scores2, scoreSum2, selectionTable2);
    if (config.hallOfFame > 0) {
        hall1.push_back(copyOf(population1[currentOffset + championOf(scores1)], cells));
        hall2.push_back(copyOf(population2[currentOffset + championOf(scores2)], cells));
    }

    breed();

    ++generationCount;
    ++generationsInRun;
    currentOffset = members - currentOffset;
    lastScoreSum1 = scoreSum1;
    lastScoreSum2 = scoreSum2;

    emit sendMessage(progressLine(generationCount, scoreSum1, scoreSum2, bestScore1, bestScore2,
                                  config.matchesPerGeneration));
    if (isSignalConnected(QMetaMethod::fromSignal(&LifegameThread::generationPlayed))) {
        const GenerationReport report = playedGeneration();
        const std::lock_guard<std::mutex> handOff(reportHandOff);
        emit generationPlayed(report);
    }
}

GenerationReport LifegameThread::playedGeneration() const
{
    // Breeding has moved the offset on; the played members are still intact
    // in the other buffer.
    const int members = config.populationSize;
    const int cells = config.match.pattern.cells();
    const int playedOffset = members - currentOffset;
    GenerationReport report;
    report.generation = generationCount;
    report.matchesPlayed = config.matchesPerGeneration;
    report.scoreSums = {lastScoreSum1, lastScoreSum2};
    report.bestScores = {bestScore1, bestScore2};
    const std::array<const std::vector<Pattern>*, 2> populations = {&population1, &population2};
    const std::array<const Pattern*, 2> bestPatterns = {&bestPattern1, &bestPattern2};
    const std::array<const std::vector<float>*, 2> scores = {&scores1, &scores2};
    for (int p = 0; p < 2; ++p) {
        const Pattern& best = *bestPatterns[p];
        report.bestPatterns[p].assign(best.get(), best.get() + cells);
        report.populations[p].resize(members);
        for (int member = 0; member < members; ++member) {
            const Pattern& played = (*populations[p])[playedOffset + member];
            report.populations[p][member].assign(played.get(), played.get() + cells);
        }
        report.scores[p] = *scores[p];
        report.champions[p] = championOf(report.scores[p]);
    }
    if (fullStateWanted) {
        report.state = stateWithoutHalls();
        report.randomSources = randomSourcesState();
    }
    return report;
}
