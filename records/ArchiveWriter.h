#pragma once

#include "records/ArchiveFormat.h"
#include "records/PartialFile.h"

#include <QString>

#include <cstdint>

class LifegameThread;

// The run archive written as the run goes: the header at open(), one record
// per generation, each flushed to "<file>.partial", which finish() renames
// into place. Its only state is the open file and how much it holds, so a
// partial archive could be reopened at a record boundary and continued.
class ArchiveWriter
{
public:
    QString open(const QString& path, std::uint32_t seed);
    // Continues an archive whose first `size` bytes are kept.
    QString reopen(const QString& path, qint64 size) { return file.reopen(path, size); }
    QString append(const ArchivedGeneration& generation)
    {
        return file.write(encodeArchivedGeneration(generation));
    }
    QString finish() { return file.finish(); }
    void abandon() { file.abandon(); }
    void keepOnAbandon() { file.keepOnAbandon(); }

    bool isOpen() const { return file.isOpen(); }
    qint64 size() const { return file.size(); }

private:
    PartialFile file;
};

// The generation the worker has just completed, as it was played. Call it
// from a direct connection to sendMessage, while the worker holds its lock.
ArchivedGeneration playedGeneration(const LifegameThread& worker);
