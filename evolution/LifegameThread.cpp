#include "evolution/LifegameThread.h"

#include "board/ThreadHandOff.h"
#include "evolution/Breeding.h"
#include "random/RandomSources.h"

#include <algorithm>

LifegameThread::LifegameThread(QObject* parent) : HandOffThread(parent)
{
    for (Pattern& slot : population1)
        slot = makePattern();
    for (Pattern& slot : population2)
        slot = makePattern();
    bestPattern1 = makePattern();
    bestPattern2 = makePattern();

    // Columns outer, rows inner, the two populations alternating cell by cell.
    for (int j = 0; j < populationSize; ++j)
        for (int x = 0; x < patternWidth; ++x)
            for (int y = 0; y < patternHeight; ++y) {
                population1[j][x + patternWidth * y] = static_cast<int>(integerSource() & 1u);
                population2[j][x + patternWidth * y] = static_cast<int>(integerSource() & 1u);
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

Pattern LifegameThread::pickMember(const std::array<Pattern, slotCount>& population)
{
    const PickTurn turn(*this);
    const HandOffLocker<QMutex> locker(mutex);
    return population[integerSource() % populationSize + currentOffset];
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

EvolutionState::Cells cellsOf(const Pattern& pattern)
{
    EvolutionState::Cells cells{};
    std::copy(pattern.get(), pattern.get() + patternCells, cells.begin());
    return cells;
}

void copyCells(const EvolutionState::Cells& cells, const Pattern& pattern)
{
    std::copy(cells.begin(), cells.end(), pattern.get());
}

} // namespace

EvolutionState LifegameThread::saveState() const
{
    static_assert(EvolutionState::slotCount == slotCount);
    EvolutionState state;
    state.generationCount = generationCount;
    state.currentOffset = currentOffset;
    state.generationsInRun = generationsInRun;
    for (int slot = 0; slot < slotCount; ++slot) {
        state.population1[slot] = cellsOf(population1[slot]);
        state.population2[slot] = cellsOf(population2[slot]);
    }
    state.bestScore1 = bestScore1;
    state.bestScore2 = bestScore2;
    state.bestPattern1 = cellsOf(bestPattern1);
    state.bestPattern2 = cellsOf(bestPattern2);
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
    for (int slot = 0; slot < slotCount; ++slot) {
        copyCells(state.population1[slot], population1[slot]);
        copyCells(state.population2[slot], population2[slot]);
    }
    bestScore1 = state.bestScore1;
    bestScore2 = state.bestScore2;
    copyCells(state.bestPattern1, bestPattern1);
    copyCells(state.bestPattern2, bestPattern2);
    lastScoreSum1 = state.lastScoreSum1;
    lastScoreSum2 = state.lastScoreSum2;
}

void LifegameThread::breed()
{
    const int base = currentOffset;
    const int other = populationSize - currentOffset;
    auto breedPopulation = [&](std::array<Pattern, slotCount>& population, const float* table) {
        for (int k = 0; k < populationSize; ++k) {
            const float selectionDraw = roundedRealDraw();
            const float operatorDraw = roundedRealDraw();
            const Pattern& parent = population[base + rouletteSelect(table, selectionDraw)];
            const Pattern& child = population[other + k];
            switch (chooseOperator(operatorDraw)) {
            case BreedingOperator::Mutation:
                mutate(parent, child, mutationRate);
                break;
            case BreedingOperator::Crossover: {
                const float mateDraw = roundedRealDraw();
                crossover(parent, child, population[base + rouletteSelect(table, mateDraw)]);
                break;
            }
            case BreedingOperator::Copy:
                copyPattern(parent, child);
                break;
            }
        }
    };
    breedPopulation(population1, selectionTable1.data());
    breedPopulation(population2, selectionTable2.data());
}
