#pragma once

#include "output/AtomicFile.h"

#include <QString>

struct AnalyzeOptions;

// Every output of `options`' command checked before any input is read, by
// the batch's rules (output/OutputPathsCheck.h), the images' names by their
// suffixes: one line naming the option and the path, or empty.
QString checkAnalysisOutputs(const AnalyzeOptions& options);

// Writes `files`, each atomically, unless a SIGINT or SIGTERM came while
// the analysis read and composed them; problems are one line on standard
// error. Returns the exit code: 0, 3 for an output that cannot be written,
// 128 + the signal's number.
int writeAnalysisOutputs(const OutputFiles& files);
