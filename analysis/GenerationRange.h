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

// The champions of an archive's generations in a range, oldest first, with
// their numbers: the rows and columns of their grid.
struct SelectedChampions {
    std::vector<int> generations;
    std::vector<PackedPattern> champions1;
    std::vector<PackedPattern> champions2;
    // Empty on success; otherwise what is wrong, without the file's name.
    QString error;
};

// A range reaching outside the archive is an error; the whole archive by
// default.
SelectedChampions championsOf(const RunArchive& archive, const GenerationRange& range = {});
