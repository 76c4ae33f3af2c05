#pragma once

#include "records/RunOutputs.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct BatchOptions;

// One output a batch run will write, named by the option that asked for it.
struct PlannedOutput {
    QString option;
    QString path;
    enum class Kind { File, PartialFile, Folder } kind = Kind::File;
    // For a folder: the names of the files written into it.
    QStringList fileNames;
};

// Checks, before any generation is played, that every output can be written
// where it was asked for: no folder where a file goes, no file where a folder
// goes, a folder that takes new files, and no path (cleaned and absolute,
// counting "X.partial" and the files inside a folder) claimed by two outputs.
// One line naming the option and the path, or empty when all is well.
QString checkOutputPaths(const QVector<PlannedOutput>& outputs);

// The outputs `options` asks for, in the order their problems are reported.
QVector<PlannedOutput> plannedOutputs(const BatchOptions& options);
// The option that asks for the output at `path` of RunOutputs.
QString optionOf(QString RunOutputs::*path);
