#pragma once

#include "records/GenerationRecord.h"

#include <QString>
#include <QVector>

struct CsvLogRead {
    // Generations 1, 2, ... in order.
    QVector<GenerationRecord> records;
    // Empty on success; otherwise one line naming the file, the line and the
    // problem.
    QString error;
};

// Reads a log that CsvLog wrote: its exact header, then one row of five
// finite numbers per generation, numbered from 1 without a gap, each line
// ended. Anything else is refused, so a foreign or cut file is never taken
// for a short run.
CsvLogRead readCsvLog(const QString& path);
