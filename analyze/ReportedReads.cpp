#include "analyze/ReportedReads.h"

#include "cli/CommandLineApplication.h"

std::optional<std::vector<QVector<GenerationRecord>>> readReportedRunLogs(const QStringList& runs)
{
    RunLogsRead read = readRunLogs(runs);
    if (!read.error.isEmpty()) {
        reportError(read.error);
        return std::nullopt;
    }
    return std::move(read.logs);
}

void reportShortRuns(const QStringList& runs, const std::vector<QVector<GenerationRecord>>& logs)
{
    for (const QString& line : shortRunWarnings(runs, logs))
        reportError(line);
}

std::optional<RunArchive> readReportedArchive(const QString& path)
{
    ArchiveRead read = readArchive(path);
    if (!read.error.isEmpty()) {
        reportError(read.error);
        return std::nullopt;
    }
    if (!read.warning.isEmpty())
        reportError(read.warning);
    return std::move(read.archive);
}

const ArchivedGeneration* reportedArchivedGeneration(const RunArchive& archive, int generation,
                                                     const QString& path)
{
    QString error;
    const ArchivedGeneration* found = archivedGeneration(archive, generation, path, error);
    if (!found)
        reportError(error);
    return found;
}
