#include "analysis/BirthRecord.h"

#include "records/RunArchive.h"

std::optional<Birth> BirthRecord::recordedBirth(int generation, int population, int member) const
{
    const Births births = birthsIn(generation, population);
    if (member < 0 || static_cast<std::size_t>(member) >= births.size())
        return std::nullopt;
    return births[static_cast<std::size_t>(member)];
}

int ArchiveBirths::firstHeld() const
{
    return archive.oldestGeneration();
}

int ArchiveBirths::lastHeld() const
{
    return archive.newestGeneration();
}

Births ArchiveBirths::birthsIn(int generation, int population) const
{
    if (generation <= archive.oldestGeneration())
        return {};
    const ArchivedGeneration* record = archive.generation(generation);
    return record ? record->lineage.birthsOf(population) : Births();
}

std::optional<Birth> ArchiveBirths::recordedBirth(int generation, int population, int member) const
{
    if (generation <= archive.oldestGeneration())
        return std::nullopt;
    const ArchivedGeneration* record = archive.generation(generation);
    if (!record || !record->lineage.hasBirths() || member < 0 ||
        member >= static_cast<int>(record->population1.size()))
        return std::nullopt;
    return record->lineage.birth(population, member);
}
