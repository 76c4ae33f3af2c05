#pragma once

#include "experiments/GenerationRecord.h"

#include <QFile>
#include <QString>

// The per-generation log "generation,average1,average2,best1,best2". Rows are
// written to "<file>.partial" in the same folder and flushed one by one, so a
// running experiment can be followed with tail -f; finish() renames the file
// into place, so the final name only ever holds a complete log. A log that
// is not finished removes its partial file. Errors come back as messages.
class CsvLog
{
public:
    CsvLog() = default;
    ~CsvLog();
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;

    // Creates the partial file and writes the header.
    QString open(const QString& path);
    QString append(const GenerationRecord& record);
    QString finish();
    // Drops the partial file; the final name is left as it was.
    void abandon();

    bool isOpen() const { return partial.isOpen(); }
    static QString partialPathOf(const QString& path);
    // One row without its line end, numbers as "%.9g".
    static QString row(const GenerationRecord& record);

private:
    QString writeLine(const QString& line);

    QString finalPath;
    QFile partial;
};
