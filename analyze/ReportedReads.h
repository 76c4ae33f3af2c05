#pragma once

#include "analysis/RunFolders.h"

#include <optional>

// The run readers with their problems reported on standard error, as the
// analyzer's commands want them.

// The logs of `runs`; nothing after a problem.
std::optional<std::vector<QVector<GenerationRecord>>> readReportedRunLogs(const QStringList& runs);
// The runs whose log ends early, one line each.
void reportShortRuns(const QStringList& runs, const std::vector<QVector<GenerationRecord>>& logs);
// The archive at `path`, a warning on it reported; nothing after an error.
std::optional<RunArchive> readReportedArchive(const QString& path);
// Generation `generation` of the archive read from `path`; nullptr when it
// is not there.
const ArchivedGeneration* reportedArchivedGeneration(const RunArchive& archive, int generation,
                                                     const QString& path);
