#include "analyze/SummaryRun.h"

#include "analysis/RunFolders.h"
#include "analysis/RunTurnover.h"
#include "analysis/SeedSummary.h"
#include "analyze/AnalysisOutputs.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/ReportedReads.h"
#include "charts/ImageFile.h"
#include "charts/SummaryPlot.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"

int runSummary(const AnalyzeOptions& options)
{
    const auto logs = readReportedRunLogs(options.runPaths);
    if (!logs)
        return ExitCode::badInput;
    const std::vector<QVector<GenerationRecord>>& runs = *logs;
    reportShortRuns(options.runPaths, runs);
    std::vector<SummaryRow> rows = summarizeRuns(runs);
    // With the turnover when every run's archive recorded its births.
    const RunTurnovers turnovers = readRunTurnovers(options.runPaths);
    if (!turnovers.error.isEmpty()) {
        reportError(turnovers.error);
        return ExitCode::badInput;
    }
    addTurnover(rows, turnovers.runs);

    OutputFiles files = {{options.csvPath, summaryCsv(rows, !turnovers.runs.empty())}};
    if (!options.pngPath.isEmpty())
        files.append({options.pngPath,
                      encodedPicture(drawSummaryPlot(rows, runsFolderName(options.runPaths)),
                                     options.pngPath)});
    return writeAnalysisOutputs(files);
}
