#include "analysis/RunTurnover.h"

#include "output/QuotedText.h"
#include "records/ArchiveReader.h"

#include <QDir>
#include <QFileInfo>

RunTurnovers readRunTurnovers(const QStringList& runs)
{
    RunTurnovers turnovers;
    for (const QString& run : runs) {
        const QString path = QDir(run).filePath(QStringLiteral("run.arc"));
        if (!QFileInfo(run).isDir() || !QFileInfo::exists(path))
            return {};
        const ArchiveRead read = readArchive(path);
        if (!read.error.isEmpty())
            return {{}, read.error};
        // Without births a run has no turnover to give, which is no error.
        QString problem;
        const LineageModel model = lineageModelOf(read.archive, problem);
        if (!problem.isEmpty())
            return {};
        turnovers.runs.push_back(turnoverOf(model));
    }
    return turnovers;
}
