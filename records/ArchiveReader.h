#pragma once

#include "records/ArchiveFormat.h"

#include <QString>

#include <vector>

// A whole run archive in memory.
struct RunArchive {
    ArchiveHeader header;
    std::vector<ArchivedGeneration> generations;
};

struct ArchiveRead {
    RunArchive archive;
    // Empty when the archive is sound; otherwise one line naming the file and
    // what is wrong with it.
    QString error;
};

// Reads and checks everything: magic, version, checksums, completeness, the
// generation numbers' order; an archive without a generation is an error.
ArchiveRead readArchive(const QString& path);
