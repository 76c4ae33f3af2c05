#include "records/ArchiveWriter.h"

#include "evolution/GenerationReport.h"

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

ArchivedGeneration archivedGeneration(const GenerationReport& report)
{
    ArchivedGeneration generation;
    generation.generation = report.generation;
    for (int member = 0; member < archivedPopulationSize; ++member) {
        generation.population1[member] = packCells(report.populations[0][member].data());
        generation.population2[member] = packCells(report.populations[1][member].data());
    }
    generation.champion1 = report.champions[0];
    generation.champion2 = report.champions[1];
    generation.championScore1 = report.championScore(1);
    generation.championScore2 = report.championScore(2);
    return generation;
}
