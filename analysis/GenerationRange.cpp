#include "analysis/GenerationRange.h"

GenerationSelection selectGenerations(const RunArchive& archive, const GenerationRange& range)
{
    GenerationSelection selection;
    if (archive.generations.empty()) {
        selection.error = QStringLiteral("holds no generation");
        return selection;
    }
    if (range.every < 1) {
        selection.error =
            QStringLiteral("every %1-th generation: the stride is at least 1").arg(range.every);
        return selection;
    }
    const int oldest = archive.generations.front().generation;
    const int newest = archive.generations.back().generation;
    const int first = range.first.value_or(oldest);
    const int last = range.last.value_or(newest);
    if (first < oldest || last > newest || first > last) {
        selection.error = QStringLiteral("generations %1:%2 are outside the archive's %3:%4")
                              .arg(first)
                              .arg(last)
                              .arg(oldest)
                              .arg(newest);
        return selection;
    }
    // Indices into the archive, stepped in 64 bits: a generation number near
    // the largest int, or a stride as large, would wrap an int.
    const auto lastIndex = static_cast<long long>(last) - oldest;
    for (auto index = static_cast<long long>(first) - oldest; index <= lastIndex;
         index += range.every)
        selection.generations.push_back(&archive.generations[static_cast<std::size_t>(index)]);
    return selection;
}

SelectedChampions championsOf(const GenerationSelection& selection)
{
    SelectedChampions champions;
    for (const ArchivedGeneration* generation : selection.generations) {
        champions.generations.push_back(generation->generation);
        champions.champions1.push_back(generation->championOf(1));
        champions.champions2.push_back(generation->championOf(2));
    }
    return champions;
}
