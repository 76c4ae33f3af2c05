#include "records/ArchiveWriter.h"

#include "evolution/LifegameThread.h"

namespace
{

// The highest score, the lowest index on a tie.
int championOf(const LifegameThread& worker, int population)
{
    int champion = 0;
    for (int member = 1; member < LifegameThread::populationSize; ++member)
        if (worker.scoreOf(population, member) > worker.scoreOf(population, champion))
            champion = member;
    return champion;
}

} // namespace

QString ArchiveWriter::open(const QString& path, std::uint32_t seed)
{
    const QString error = file.open(path);
    if (!error.isEmpty())
        return error;
    ArchiveHeader header;
    header.seed = seed;
    header.programVersion = QStringLiteral(COEVOLIFE_VERSION);
    return file.write(encodeArchiveHeader(header));
}

ArchivedGeneration playedGeneration(const LifegameThread& worker)
{
    static_assert(LifegameThread::populationSize == archivedPopulationSize);
    ArchivedGeneration generation;
    generation.generation = worker.generations();
    const int offset = worker.playedOffset();
    for (int member = 0; member < archivedPopulationSize; ++member) {
        generation.population1[member] = packPattern(worker.slotOf(1, offset + member));
        generation.population2[member] = packPattern(worker.slotOf(2, offset + member));
    }
    generation.champion1 = championOf(worker, 1);
    generation.champion2 = championOf(worker, 2);
    generation.championScore1 = worker.scoreOf(1, generation.champion1);
    generation.championScore2 = worker.scoreOf(2, generation.champion2);
    return generation;
}
