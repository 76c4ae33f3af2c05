#pragma once

#include "records/ArchiveReader.h"

#include <QString>

#include <optional>
#include <vector>

// Which generations of an archive an analysis looks at: first..last
// (inclusive; absent means the archive's own ends), every `every`-th one
// counted from first.
struct GenerationRange {
    std::optional<int> first;
    std::optional<int> last;
    int every = 1;
};

struct GenerationSelection {
    std::vector<const ArchivedGeneration*> generations;
    // Empty on success; otherwise what is wrong, without the file's name.
    QString error;
};

// The archive's generations in the range, oldest first. A range reaching
// outside the archive is an error.
GenerationSelection selectGenerations(const RunArchive& archive, const GenerationRange& range);

// The champions of the generations selected, in order, with their numbers:
// the rows and columns of their grid.
struct SelectedChampions {
    std::vector<int> generations;
    std::vector<PackedPattern> champions1;
    std::vector<PackedPattern> champions2;
};
SelectedChampions championsOf(const GenerationSelection& selection);
