#include "evolution/LifegameThread.h"

#include "board/ThreadHandOff.h"
#include "evolution/Breeding.h"
#include "random/RandomSources.h"

#include <algorithm>

LifegameThread::LifegameThread(QObject* parent) : LifegameThread(ExperimentConfig(), parent) {}

LifegameThread::LifegameThread(const ExperimentConfig& experiment, QObject* parent)
    : HandOffThread(parent), config(experiment)
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

    // Columns outer, rows inner, the two populations alternating cell by cell.
    for (int j = 0; j < members; ++j)
        for (int x = 0; x < shape.width; ++x)
            for (int y = 0; y < shape.height; ++y) {
                population1[j][x + shape.width * y] = static_cast<int>(integerSource() & 1u);
                population2[j][x + shape.width * y] = static_cast<int>(integerSource() & 1u);
            }
}

LifegameThread::~LifegameThread()
{
    requestStop();
    wait();
}

Pattern LifegameThread::randomMember1()
{
    return pickMember(population1);
}

Pattern LifegameThread::randomMember2()
{
    return pickMember(population2);
}

Pattern LifegameThread::pickMember(const std::vector<Pattern>& population)
{
    const PickTurn turn(*this);
    const HandOffLocker<QMutex> locker(mutex);
    const auto members = static_cast<std::uint32_t>(config.populationSize);
    return population[integerSource() % members + currentOffset];
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

namespace
{

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

EvolutionState LifegameThread::saveState() const
{
    const int cells = config.match.pattern.cells();
    EvolutionState state = stateWithoutHalls();
    state.hall1 = cellsOf(hall1, cells);
    state.hall2 = cellsOf(hall2, cells);
    return state;
}

EvolutionState LifegameThread::stateWithoutHalls() const
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
    return state;
}

void LifegameThread::restoreState(const EvolutionState& state)
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
}

void LifegameThread::breed()
{
    const int members = config.populationSize;
    const int base = currentOffset;
    const int other = members - currentOffset;
    const PatternShape shape = config.match.pattern;
    auto breedPopulation = [&](std::vector<Pattern>& population, const std::vector<float>& table) {
        for (int k = 0; k < members; ++k) {
            const float selectionDraw = roundedRealDraw();
            const float operatorDraw = roundedRealDraw();
            const Pattern& parent =
                population[base + rouletteSelect(table.data(), selectionDraw, members)];
            const Pattern& child = population[other + k];
            switch (
                chooseOperator(operatorDraw, config.mutationThreshold, config.crossoverThreshold)) {
            case BreedingOperator::Mutation:
                mutate(parent, child, config.mutationRate, shape);
                break;
            case BreedingOperator::Crossover: {
                const float mateDraw = roundedRealDraw();
                crossover(parent, child,
                          population[base + rouletteSelect(table.data(), mateDraw, members)],
                          shape);
                break;
            }
            case BreedingOperator::Copy:
                copyPattern(parent, child, shape);
                break;
            }
        }
    };
    breedPopulation(population1, selectionTable1);
    breedPopulation(population2, selectionTable2);
}
