#pragma once

#include "records/ArchiveFormat.h"

#include <vector>

// A whole run archive in memory, its generations numbered consecutively from
// the oldest.
struct RunArchive {
    ArchiveHeader header;
    std::vector<ArchivedGeneration> generations;

    // The experiment the run played, the default for a version 1 archive.
    const ExperimentConfig& config() const { return header.config; }
    // The numbers of the oldest and newest generations held; 0 when none is.
    int oldestGeneration() const;
    int newestGeneration() const;
    // Generation `number`'s record, or null when the archive does not hold it.
    const ArchivedGeneration* generation(int number) const;
};
