#include "records/RunArchive.h"

#include "records/NumberedGenerations.h"

int RunArchive::oldestGeneration() const
{
    return generations.empty() ? 0 : generations.front().generation;
}

int RunArchive::newestGeneration() const
{
    return generations.empty() ? 0 : generations.back().generation;
}

const ArchivedGeneration* RunArchive::generation(int number) const
{
    return numberedGeneration(generations, number);
}
