#include "analyze/SummaryRun.h"

#include "analysis/SeedSummary.h"
#include "analyze/AnalyzeExitCodes.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/RunFolders.h"
#include "charts/ChartStyle.h"
#include "charts/SummaryPlot.h"
#include "cli/CommandLineApplication.h"
#include "records/AtomicFile.h"
#include "records/CsvLogReader.h"

int runSummary(const AnalyzeOptions& options)
{
    std::vector<QVector<GenerationRecord>> runs;
    ConfigRead firstConfig;
    for (const QString& run : options.runPaths) {
        // Runs of different experiments are not one sample.
        const ConfigRead config = configOf(run);
        if (!config.ok()) {
            reportError(config.error);
            return AnalyzeExitCode::badInput;
        }
        if (runs.empty())
            firstConfig = config;
        else if (config.config != firstConfig.config) {
            reportError(QStringLiteral("%1 and %2 played different configurations")
                            .arg(options.runPaths.first(), run));
            return AnalyzeExitCode::badInput;
        }
        CsvLogRead read = readCsvLog(logPathOf(run));
        if (!read.error.isEmpty()) {
            reportError(read.error);
            return AnalyzeExitCode::badInput;
        }
        runs.push_back(std::move(read.records));
    }
    const std::vector<SummaryRow> rows = summarizeRuns(runs);

    OutputFiles files = {{options.csvPath, summaryCsv(rows)}};
    if (!options.pngPath.isEmpty()) {
        const QString title =
            QStringLiteral("Coevolife, %1 %2: median and quartiles per generation")
                .arg(runs.size())
                .arg(runs.size() == 1 ? QStringLiteral("run") : QStringLiteral("runs"));
        files.append({options.pngPath, pngBytes(drawSummaryPlot(rows, title))});
    }
    if (const QString error = writeFilesAtomically(files); !error.isEmpty()) {
        reportError(error);
        return AnalyzeExitCode::unwritableOutput;
    }
    return 0;
}
