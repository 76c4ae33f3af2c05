#include "analysis/GenerationRange.h"

GenerationSelection selectGenerations(const RunArchive& archive, const GenerationRange& range)
{
    GenerationSelection selection;
    if (archive.generations.empty()) {
        selection.error = QStringLiteral("holds no generation");
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
    for (int generation = first; generation <= last; generation += range.every)
        selection.generations.push_back(&archive.generations[generation - oldest]);
    return selection;
}
