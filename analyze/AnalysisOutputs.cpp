#include "analyze/AnalysisOutputs.h"

#include "analysis/DuelExport.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/WatchedPlay.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "charts/ImageFile.h"
#include "output/OutputPathsCheck.h"
#include "output/QuotedText.h"

QString checkAnalysisOutputs(const AnalyzeOptions& options)
{
    const QVector<PlannedOutput> all = {
        {QStringLiteral("--csv"), options.csvPath, PlannedOutput::Kind::File, {}},
        {QStringLiteral("--stats"), options.statsPath, PlannedOutput::Kind::File, {}},
        {QStringLiteral("--png"), options.pngPath, PlannedOutput::Kind::File, {}},
        {QStringLiteral("--export"), options.exportFolder, PlannedOutput::Kind::Folder,
         duelExportFileNames()}};
    QVector<PlannedOutput> asked;
    for (const PlannedOutput& output : all)
        if (!output.path.isEmpty())
            asked << output;
    const QString problem = checkOutputPaths(asked);
    if (!problem.isEmpty() || options.pngPath.isEmpty())
        return problem;
    return imageFormatProblem(QStringLiteral("--png"), options.pngPath);
}

int writeAnalysisOutputs(const OutputFiles& files)
{
    if (const int exitCode = pendingInterruption())
        return exitCode;
    for (const auto& file : files)
        // Every output has content: only an image that could not be encoded
        // comes empty.
        if (file.second.isEmpty()) {
            reportError(QStringLiteral("cannot encode %1 as an image").arg(quotedText(file.first)));
            return ExitCode::unwritableOutput;
        }
    if (const QString error = writeFilesAtomically(files); !error.isEmpty()) {
        reportError(error);
        return ExitCode::unwritableOutput;
    }
    return 0;
}
