#include "records/RunArchive.h"

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
    if (generations.empty())
        return nullptr;
    // In 64 bits: numbers at both ends of the int range are a whole int apart.
    const long long index = static_cast<long long>(number) - generations.front().generation;
    if (index < 0 || index >= static_cast<long long>(generations.size()))
        return nullptr;
    return &generations[static_cast<std::size_t>(index)];
}
