#include "evolution/LifegameThread.h"

#include "board/StepThread.h"
#include "board/ThreadHandOff.h"
#include "evolution/Breeding.h"
#include "random/RandomSources.h"

LifegameThread::LifegameThread(QObject* parent) : QThread(parent)
{
    for (Pattern& slot : population1)
        slot = makePattern();
    for (Pattern& slot : population2)
        slot = makePattern();
    matchBoards.resize(2);
    bestPattern1 = makePattern();
    bestPattern2 = makePattern();

    for (StepThread*& board : matchBoards) {
        board = new StepThread(nullptr);
        prepareMatchBoard(*board);
    }

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
    for (StepThread* board : matchBoards)
        delete board;
}

void LifegameThread::start(Priority priority)
{
    markHandedOver(this);
    QThread::start(priority);
}

bool LifegameThread::wait(QDeadlineTimer deadline)
{
    const bool finished = QThread::wait(deadline);
    if (finished)
        markTakenOver(this);
    return finished;
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
