#pragma once

#include "output/PartialFile.h"
#include "records/GenerationRecord.h"

#include <QString>

// The per-generation log "generation,average1,average2,best1,best2", written
// as a PartialFile: rows flushed one by one into "<file>.partial", renamed
// into place by finish(). Errors come back as messages.
class CsvLog
{
public:
    // Creates the partial file and writes the header.
    QString open(const QString& path);
    // Continues a log whose first `size` bytes (header included) are kept.
    QString reopen(const QString& path, qint64 size) { return file.reopen(path, size); }
    QString append(const GenerationRecord& record);
    QString finish() { return file.finish(); }
    // Removes the partial file: for a start that failed before any row.
    void discard() { file.discard(); }

    bool isOpen() const { return file.isOpen(); }
    qint64 size() const { return file.size(); }
    static QString partialPathOf(const QString& path) { return PartialFile::partialPathOf(path); }
    // The header and one row, without their line ends; numbers as "%.9g".
    static QByteArray header();
    static QString row(const GenerationRecord& record);

private:
    QString writeLine(const QString& line) { return file.write(line.toUtf8() + '\n'); }

    PartialFile file;
};
