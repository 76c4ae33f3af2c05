#pragma once

#include <cstddef>
#include <vector>

// The one of `records`, numbered one after another from the first's
// `generation`, that is generation `number`; null when none is.
template <typename Record>
const Record* numberedGeneration(const std::vector<Record>& records, int number)
{
    if (records.empty())
        return nullptr;
    // In 64 bits: numbers at both ends of the int range are a whole int apart.
    const long long index = static_cast<long long>(number) - records.front().generation;
    if (index < 0 || index >= static_cast<long long>(records.size()))
        return nullptr;
    return &records[static_cast<std::size_t>(index)];
}
