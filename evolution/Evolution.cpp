#include "evolution/Evolution.h"

#include "evolution/Breeding.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

EvolutionState::Cells cellsOf(const Pattern& pattern, int cells)
{
    return EvolutionState::Cells(pattern.get(), pattern.get() + cells);
}

std::vector<EvolutionState::Cells> cellsOf(const std::vector<Pattern>& patterns, int cells)
{
    std::vector<EvolutionState::Cells> copies;
    copies.reserve(patterns.size());
    for (const Pattern& pattern : patterns)
        copies.push_back(cellsOf(pattern, cells));
    return copies;
}

void copyCells(const EvolutionState::Cells& cells, const Pattern& pattern)
{
    std::copy(cells.begin(), cells.end(), pattern.get());
}

std::vector<Pattern> patternsOf(const std::vector<EvolutionState::Cells>& copies)
{
    std::vector<Pattern> patterns;
    patterns.reserve(copies.size());
    for (const EvolutionState::Cells& cells : copies) {
        patterns.push_back(makePattern(static_cast<int>(cells.size())));
        copyCells(cells, patterns.back());
    }
    return patterns;
}

} // namespace

Evolution::Evolution(const ExperimentConfig& experiment, RandomSources randomSources)
    : config(experiment), sources(randomSources)
{
    const int members = config.populationSize;
    const PatternShape shape = config.match.pattern;
    for (std::vector<Pattern>* population : {&population1, &population2}) {
        population->resize(2 * static_cast<std::size_t>(members));
        for (Pattern& slot : *population)
            slot = makePattern(shape.cells());
    }
    for (std::vector<float>* perMember : {&scores1, &scores2, &selectionTable1, &selectionTable2})
        perMember->assign(members, 0.0f);
    bestPattern1 = makePattern(shape.cells());
    bestPattern2 = makePattern(shape.cells());
    for (int p = 0; p < 2; ++p) {
        slotBirths[p].resize(population1.size());
        slotFlips[p].resize(population1.size());
    }

    const std::size_t hallMatches =
        2 * static_cast<std::size_t>(members) * static_cast<std::size_t>(config.hallOfFame);
    matches.pairs.resize(static_cast<std::size_t>(config.matchesPerGeneration));
    matches.orders.reserve(matches.pairs.size() + hallMatches);
    matches.results.reserve(matches.pairs.size() + hallMatches);

    // Columns outer, rows inner, the two populations alternating cell by cell.
    for (int j = 0; j < members; ++j)
        for (int x = 0; x < shape.width; ++x)
            for (int y = 0; y < shape.height; ++y) {
                population1[j][x + shape.width * y] = static_cast<int>(sources.integer() & 1u);
                population2[j][x + shape.width * y] = static_cast<int>(sources.integer() & 1u);
            }
}

void Evolution::startRun()
{
    generationsInRun = firstRunStartsAt;
    firstRunStartsAt = 0;
}

Pattern Evolution::randomMember(int population)
{
    const auto members = static_cast<std::uint32_t>(config.populationSize);
    const std::vector<Pattern>& slotsOfPopulation = population == 1 ? population1 : population2;
    return slotsOfPopulation[sources.integer() % members + currentOffset];
}

void Evolution::drawMatches()
{
    const auto members = static_cast<std::uint32_t>(config.populationSize);
    matches.orders.clear();
    // Nothing else draws while the matches are played, so drawing every
    // pairing first takes the same outputs as drawing a batch's before it.
    for (MatchPair& pair : matches.pairs) {
        pair.member1 = static_cast<int>(sources.integer() % members);
        pair.member2 = static_cast<int>(sources.integer() % members);
        ++matches.appearances1[pair.member1];
        ++matches.appearances2[pair.member2];
        matches.orders.push_back({&population1[currentOffset + pair.member1],
                                  &population2[currentOffset + pair.member2]});
    }
    if (config.hallOfFame > 0 && !hall1.empty())
        addHallOfFameMatches();
}

void Evolution::addHallOfFameMatches()
{
    // Each member meets K champions of the other population's past, drawn
    // member by member: population 1's members first, as code 1 against a
    // champion as code 2, then population 2's, as code 2 against a champion
    // as code 1.
    const int members = config.populationSize;
    for (int i = 0; i < members; ++i)
        for (int k = 0; k < config.hallOfFame; ++k) {
            const std::uint32_t h = sources.integer() % static_cast<std::uint32_t>(hall2.size());
            matches.orders.push_back({&population1[currentOffset + i], &hall2[h]});
            ++matches.appearances1[i];
        }
    for (int i = 0; i < members; ++i)
        for (int k = 0; k < config.hallOfFame; ++k) {
            const std::uint32_t h = sources.integer() % static_cast<std::uint32_t>(hall1.size());
            matches.orders.push_back({&hall1[h], &population2[currentOffset + i]});
            ++matches.appearances2[i];
        }
}

void Evolution::addScores()
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

GenerationReport Evolution::playGeneration(MatchRunner& runner)
{
    const int members = config.populationSize;
    const int cells = config.match.pattern.cells();
    matches.appearances1.assign(members, 0);
    matches.appearances2.assign(members, 0);
    // Until the matches are played only the pairings have been drawn: a
    // runner that gives up puts back no more than the sources.
    const boost::mt19937 integerBefore = sources.integer;
    const RealSource realBefore = sources.real;
    drawMatches();
    matches.results.resize(matches.orders.size());
    try {
        runner.play(config.match, matches.orders, matches.results);
    } catch (...) {
        sources.integer = integerBefore;
        sources.real = realBefore;
        throw;
    }

    std::fill(scores1.begin(), scores1.end(), 0.0f);
    std::fill(scores2.begin(), scores2.end(), 0.0f);
    std::fill(selectionTable1.begin(), selectionTable1.end(), 0.0f);
    std::fill(selectionTable2.begin(), selectionTable2.end(), 0.0f);
    float scoreSum1 = 0.0f;
    float scoreSum2 = 0.0f;
    addScores();

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
    return playedGeneration();
}

GenerationReport Evolution::playedGeneration() const
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
        if (bredBuffers[bufferAt(playedOffset)]) {
            report.births[p].assign(slotBirths[p].begin() + playedOffset,
                                    slotBirths[p].begin() + playedOffset + members);
            report.flippedCells[p].assign(slotFlips[p].begin() + playedOffset,
                                          slotFlips[p].begin() + playedOffset + members);
        }
    }
    if (fullStateWanted) {
        report.state = stateWithoutHalls();
        report.randomSources = sources.state();
    }
    return report;
}

EvolutionState Evolution::saveState() const
{
    const int cells = config.match.pattern.cells();
    EvolutionState state = stateWithoutHalls();
    state.hall1 = cellsOf(hall1, cells);
    state.hall2 = cellsOf(hall2, cells);
    return state;
}

EvolutionState Evolution::stateWithoutHalls() const
{
    const int cells = config.match.pattern.cells();
    EvolutionState state;
    state.generationCount = generationCount;
    state.currentOffset = currentOffset;
    state.generationsInRun = generationsInRun;
    state.population1 = cellsOf(population1, cells);
    state.population2 = cellsOf(population2, cells);
    state.bestScore1 = bestScore1;
    state.bestScore2 = bestScore2;
    state.bestPattern1 = cellsOf(bestPattern1, cells);
    state.bestPattern2 = cellsOf(bestPattern2, cells);
    state.lastScoreSum1 = lastScoreSum1;
    state.lastScoreSum2 = lastScoreSum2;
    if (bredBuffers[bufferAt(currentOffset)]) {
        const auto first = static_cast<std::ptrdiff_t>(currentOffset);
        const auto last = first + config.populationSize;
        state.births1.assign(slotBirths[0].begin() + first, slotBirths[0].begin() + last);
        state.births2.assign(slotBirths[1].begin() + first, slotBirths[1].begin() + last);
    }
    return state;
}

void Evolution::restoreState(const EvolutionState& state)
{
    generationCount = state.generationCount;
    currentOffset = state.currentOffset;
    generationsInRun = state.generationsInRun;
    // A state taken at the end of a run of 100 starts the next one afresh.
    firstRunStartsAt = state.generationsInRun % generationsPerRun;
    // Into the existing storage: picks handed out earlier keep sharing it.
    for (std::size_t slot = 0; slot < population1.size(); ++slot) {
        copyCells(state.population1[slot], population1[slot]);
        copyCells(state.population2[slot], population2[slot]);
    }
    bestScore1 = state.bestScore1;
    bestScore2 = state.bestScore2;
    copyCells(state.bestPattern1, bestPattern1);
    copyCells(state.bestPattern2, bestPattern2);
    lastScoreSum1 = state.lastScoreSum1;
    lastScoreSum2 = state.lastScoreSum2;
    hall1 = patternsOf(state.hall1);
    hall2 = patternsOf(state.hall2);
    restoreBirths(state);
}

void Evolution::restoreBirths(const EvolutionState& state)
{
    // Births that do not fit this experiment are taken for unknown: the
    // line then begins again with the current members.
    bredBuffers = {false, false};
    const int members = config.populationSize;
    const PatternShape shape = config.match.pattern;
    auto fits = [&](const Births& births) {
        if (static_cast<int>(births.size()) != members)
            return false;
        for (const Birth& birth : births) {
            const CrossoverRectangle& r = birth.rectangle;
            const bool crossing = birth.breedingOperator == BreedingOperator::Crossover;
            if (birth.parent < 0 || birth.parent >= members ||
                (crossing ? birth.mate < 0 || birth.mate >= members : birth.mate != -1) ||
                r.x0 < 0 || r.x0 > r.x1 || r.x1 > shape.width || r.y0 < 0 || r.y0 > r.y1 ||
                r.y1 > shape.height)
                return false;
        }
        return true;
    };
    if (!fits(state.births1) || !fits(state.births2))
        return;
    // The parents are still whole in the other buffer, so a mutation's
    // flips are the cells in which its child differs from its parent.
    const int other = members - currentOffset;
    const std::array<const Births*, 2> births = {&state.births1, &state.births2};
    const std::array<const std::vector<Pattern>*, 2> populations = {&population1, &population2};
    for (int p = 0; p < 2; ++p)
        for (int i = 0; i < members; ++i) {
            const Birth& birth = (*births[p])[i];
            const int slot = currentOffset + i;
            slotBirths[p][slot] = birth;
            std::vector<int>& flips = slotFlips[p][slot];
            flips.clear();
            if (birth.breedingOperator != BreedingOperator::Mutation)
                continue;
            const Pattern& child = (*populations[p])[slot];
            const Pattern& parent = (*populations[p])[other + birth.parent];
            for (int c = 0; c < shape.cells(); ++c)
                if (child[c] != parent[c])
                    flips.push_back(c);
        }
    bredBuffers[bufferAt(currentOffset)] = true;
}

void Evolution::breed()
{
    const int members = config.populationSize;
    const int base = currentOffset;
    const int other = members - currentOffset;
    const PatternShape shape = config.match.pattern;
    // Recording what was done draws nothing and changes no cell.
    auto breedPopulation = [&](std::vector<Pattern>& population, const std::vector<float>& table,
                               int p) {
        for (int k = 0; k < members; ++k) {
            const float selectionDraw = roundedRealDraw(sources);
            const float operatorDraw = roundedRealDraw(sources);
            Birth& birth = slotBirths[p][other + k];
            std::vector<int>& flips = slotFlips[p][other + k];
            birth = Birth();
            birth.parent = rouletteSelect(table.data(), selectionDraw, members);
            birth.breedingOperator =
                chooseOperator(operatorDraw, config.mutationThreshold, config.crossoverThreshold);
            const Pattern& parent = population[base + birth.parent];
            const Pattern& child = population[other + k];
            switch (birth.breedingOperator) {
            case BreedingOperator::Mutation:
                mutate(sources, parent, child, config.mutationRate, shape, &flips);
                break;
            case BreedingOperator::Crossover: {
                const float mateDraw = roundedRealDraw(sources);
                birth.mate = rouletteSelect(table.data(), mateDraw, members);
                birth.rectangle =
                    crossover(sources, parent, child, population[base + birth.mate], shape);
                flips.clear();
                break;
            }
            case BreedingOperator::Copy:
                copyPattern(parent, child, shape);
                flips.clear();
                break;
            }
        }
    };
    breedPopulation(population1, selectionTable1, 0);
    breedPopulation(population2, selectionTable2, 1);
    bredBuffers[bufferAt(other)] = true;
}
