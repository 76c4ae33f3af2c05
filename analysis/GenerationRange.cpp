#include "analysis/GenerationRange.h"

#include <cstddef>

SelectedChampions championsOf(const RunArchive& archive, const GenerationRange& range)
{
    SelectedChampions champions;
    if (archive.generations.empty()) {
        champions.error = QStringLiteral("holds no generation");
        return champions;
    }
    if (range.every < 1) {
        champions.error =
            QStringLiteral("every %1-th generation: the stride is at least 1").arg(range.every);
        return champions;
    }
    const int oldest = archive.oldestGeneration();
    const int newest = archive.newestGeneration();
    const int first = range.first.value_or(oldest);
    const int last = range.last.value_or(newest);
    const ArchivedGeneration* firstRecord = archive.generation(first);
    const ArchivedGeneration* lastRecord = archive.generation(last);
    if (!firstRecord || !lastRecord || first > last) {
        champions.error = QStringLiteral("generations %1:%2 are outside the archive's %3:%4")
                              .arg(first)
                              .arg(last)
                              .arg(oldest)
                              .arg(newest);
        return champions;
    }
    // Stepped as indices of 64 bits: a stride near the largest int would wrap
    // an int.
    const ArchivedGeneration* const base = archive.generations.data();
    const std::ptrdiff_t lastIndex = lastRecord - base;
    for (std::ptrdiff_t index = firstRecord - base; index <= lastIndex; index += range.every) {
        const ArchivedGeneration& generation = base[index];
        champions.generations.push_back(generation.generation);
        champions.champions1.push_back(generation.championOf(1));
        champions.champions2.push_back(generation.championOf(2));
    }
    return champions;
}
