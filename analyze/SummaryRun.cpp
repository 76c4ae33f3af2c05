#include "analyze/SummaryRun.h"

#include "analysis/SeedSummary.h"
#include "analyze/AnalyzeOptions.h"
#include "charts/ChartStyle.h"
#include "charts/SummaryPlot.h"
#include "cli/CommandLineApplication.h"
#include "records/AtomicFile.h"
#include "records/CsvLogReader.h"

#include <QDir>
#include <QFileInfo>

namespace
{

// A run's folder stands for the log a sweep leaves in it.
QString logPathOf(const QString& run)
{
    return QFileInfo(run).isDir() ? QDir(run).filePath(QStringLiteral("fitness.csv")) : run;
}

} // namespace

int runSummary(const AnalyzeOptions& options)
{
    std::vector<QVector<GenerationRecord>> runs;
    for (const QString& run : options.runPaths) {
        CsvLogRead read = readCsvLog(logPathOf(run));
        if (!read.error.isEmpty()) {
            reportError(read.error);
            return 2;
        }
        runs.push_back(std::move(read.records));
    }
    const std::vector<SummaryRow> rows = summarizeRuns(runs);

    QList<QPair<QString, QByteArray>> files = {{options.csvPath, summaryCsv(rows)}};
    if (!options.pngPath.isEmpty()) {
        const QString title =
            QStringLiteral("Coevolife, %1 %2: median and quartiles per generation")
                .arg(runs.size())
                .arg(runs.size() == 1 ? QStringLiteral("run") : QStringLiteral("runs"));
        files.append({options.pngPath, pngBytes(drawSummaryPlot(rows, title))});
    }
    for (const auto& file : files) {
        const QString error = writeFileAtomically(file.first, file.second);
        if (!error.isEmpty()) {
            reportError(error);
            return 1;
        }
    }
    return 0;
}
