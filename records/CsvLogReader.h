#pragma once

#include "records/GenerationRecord.h"

#include <QByteArray>
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
// The bytes of the regular file at `path`, at most as many as a log can
// hold; nothing, with the problem (without the path) in `problem`, otherwise.
QByteArray readCsvLogFile(const QString& path, QString& problem);
// The same check of a log's bytes, `name` standing for the path in errors.
CsvLogRead parseCsvLog(const QByteArray& bytes, const QString& name);
// The rows a log being written has gained, each line ended, after line
// `lineBefore` of it, which held generation `generationBefore`: checked as
// parseCsvLog checks rows, generations numbered on from it.
CsvLogRead parseCsvLogRows(const QByteArray& rows, qsizetype lineBefore, int generationBefore,
                           const QString& name);
