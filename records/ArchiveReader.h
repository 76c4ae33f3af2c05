#pragma once

#include "records/RunArchive.h"

#include <QByteArray>
#include <QString>

struct ArchiveRead {
    RunArchive archive;
    // Empty when the archive is sound; otherwise one line naming the file and
    // what is wrong with it.
    QString error;
    // Empty unless the file ends inside a record, as when a run is killed in
    // the middle of a write: then one line naming the file and what was read.
    QString warning;
    // Where the last whole record starts and ends in the file.
    qint64 lastRecordAt = 0;
    qint64 recordsEnd = 0;
};

// Reads and checks everything: magic, version, the configuration, checksums, the generation
// numbers' order. An archive that ends inside a record is read up to its last
// whole generation, with a warning; one without a whole generation is an error.
ArchiveRead readArchive(const QString& path);
// The same reading of an archive's bytes, `name` standing for the path in
// errors and warnings.
ArchiveRead decodeArchive(const QByteArray& bytes, const QString& name);
