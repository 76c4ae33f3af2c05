#pragma once

#include "output/PartialFile.h"
#include "records/ArchiveFormat.h"

#include <QString>

#include <cstdint>

struct GenerationReport;

// The run archive written as the run goes: the header at open(), one record
// per generation, each flushed to "<file>.partial", which finish() renames
// into place. Its only state is the open file, how much it holds and its
// header, so a partial archive could be reopened at a record boundary and
// continued.
class ArchiveWriter
{
public:
    // In the newest version.
    QString open(const QString& path, std::uint32_t seed,
                 const ExperimentConfig& config = ExperimentConfig());
    // Continues an archive whose first `size` bytes are kept, the header
    // among them: the records go on in its format.
    QString reopen(const QString& path, qint64 size);
    QString append(const ArchivedGeneration& generation)
    {
        return file.write(encodeArchivedGeneration(generation, header));
    }
    QString finish() { return file.finish(); }
    // Removes the partial file: for a start that failed before any record.
    void discard() { file.discard(); }

    bool isOpen() const { return file.isOpen(); }
    qint64 size() const { return file.size(); }

private:
    PartialFile file;
    ArchiveHeader header;
};

// A generation's archive record: its members as they played, of any pattern
// shape, their scores and births, and its champions.
ArchivedGeneration archivedGeneration(const GenerationReport& report);
