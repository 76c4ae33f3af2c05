#include "analyze/ConditionRuns.h"

#include "analysis/ChampionGrid.h"
#include "analysis/ConditionComparison.h"
#include "analysis/Crossplay.h"
#include "analysis/RunFolders.h"
#include "analysis/RunTurnover.h"
#include "analyze/AnalysisOutputs.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/ReportedReads.h"
#include "analyze/WatchedPlay.h"
#include "charts/ComparePlot.h"
#include "charts/CrossplayPlot.h"
#include "charts/ImageFile.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "output/QuotedText.h"

#include <QDir>

namespace
{

// The conditions' folders, their unfinished runs reported; empty after an
// error, which is reported too.
std::vector<ConditionFolder> conditionFolders(const AnalyzeOptions& options)
{
    const QString command = options.command == AnalyzeOptions::Command::Compare
                                ? QStringLiteral("compare")
                                : QStringLiteral("crossplay");
    for (const QString& path : options.runPaths)
        if (const QString hint = conditionFoldersHint(path, command); !hint.isEmpty()) {
            reportError(hint);
            return {};
        }
    const ConditionFolders folders = listConditionFolders(options.runPaths);
    if (!folders.error.isEmpty()) {
        reportError(folders.error);
        return {};
    }
    for (const ConditionFolder& condition : folders.conditions)
        for (const QString& line : condition.unfinished)
            reportError(line);
    return folders.conditions;
}

std::vector<QString> namesOf(const std::vector<ConditionFolder>& folders)
{
    std::vector<QString> names;
    for (const ConditionFolder& folder : folders)
        names.push_back(folder.name);
    return names;
}

} // namespace

int runCompare(const AnalyzeOptions& options)
{
    const std::vector<ConditionFolder> folders = conditionFolders(options);
    if (folders.empty())
        return ExitCode::badInput;
    std::vector<ConditionRuns> conditions;
    QStringList allRuns;
    std::vector<QVector<GenerationRecord>> allLogs;
    for (const ConditionFolder& folder : folders) {
        auto logs = readReportedRunLogs(folder.runs);
        if (!logs)
            return ExitCode::badInput;
        allRuns += folder.runs;
        allLogs.insert(allLogs.end(), logs->begin(), logs->end());
        conditions.push_back({folder.name, std::move(*logs)});
    }

    const int common = lastCommonGeneration(conditions);
    const int generation = options.at > 0 ? options.at : common;
    if (generation > common) {
        for (std::size_t c = 0; c < folders.size(); ++c)
            for (std::size_t r = 0; r < conditions[c].runs.size(); ++r)
                if (conditions[c].runs[r].size() < generation) {
                    reportError(QStringLiteral("--at %1: %2 ends at generation %3")
                                    .arg(generation)
                                    .arg(quotedText(folders[c].runs[static_cast<int>(r)]))
                                    .arg(conditions[c].runs[r].size()));
                    return ExitCode::badInput;
                }
    }
    reportShortRuns(allRuns, allLogs);
    std::vector<SeriesValues> series = seriesAt(conditions, generation);
    // The turnover's series too when every run's archive recorded births.
    std::vector<std::vector<std::vector<TurnoverRow>>> turnovers;
    for (const ConditionFolder& folder : folders) {
        RunTurnovers read = readRunTurnovers(folder.runs);
        if (!read.error.isEmpty()) {
            reportError(read.error);
            return ExitCode::badInput;
        }
        if (read.runs.empty())
            break;
        turnovers.push_back(std::move(read.runs));
    }
    if (turnovers.size() == folders.size())
        appendTurnoverSeries(series, turnovers, generation);
    const std::vector<ComparisonRow> rows = compareConditions(namesOf(folders), series);

    std::vector<ConditionSummary> summaries;
    for (const ConditionRuns& condition : conditions)
        summaries.push_back({condition.name, summarizeRuns(condition.runs)});
    return writeAnalysisOutputs(
        {{options.csvPath, comparisonCsv(rows)},
         {options.pngPath,
          encodedPicture(drawComparePlot(summaries, generation), options.pngPath)}});
}

int runCrossplay(const AnalyzeOptions& options)
{
    const std::vector<ConditionFolder> folders = conditionFolders(options);
    if (folders.empty())
        return ExitCode::badInput;
    const CrossplayRead read = readCrossplayRuns(folders, options.at);
    for (const QString& line : read.warnings)
        reportError(line);
    if (!read.error.isEmpty()) {
        reportError(read.error);
        return ExitCode::badInput;
    }
    const std::vector<CrossplayRun>& runs = read.runs;

    ChampionGrid grid = crossplayGrid(runs, read.layout);
    if (const int exitCode = playOnNewPool(grid, options.threads))
        return exitCode;
    const CrossplayMeans means = crossplayMeans(grid);

    std::vector<CrossplayCondition> byCondition(folders.size());
    std::vector<SeriesValues> series = {{QStringLiteral("mean1"), {}},
                                        {QStringLiteral("mean2"), {}}};
    for (SeriesValues& values : series)
        values.values.resize(folders.size());
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const auto c = static_cast<std::size_t>(runs[r].condition);
        byCondition[c].mean1.push_back(means.mean1[r]);
        byCondition[c].mean2.push_back(means.mean2[r]);
        byCondition[c].generations.push_back(read.generations[r]);
        series[0].values[c].push_back(means.mean1[r]);
        series[1].values[c].push_back(means.mean2[r]);
    }
    const std::vector<QString> names = namesOf(folders);
    for (std::size_t c = 0; c < folders.size(); ++c)
        byCondition[c].name = names[c];
    return writeAnalysisOutputs(
        {{options.csvPath, crossplayCsv(names, runs, means)},
         {options.statsPath, comparisonCsv(compareConditions(names, series))},
         {options.pngPath, encodedPicture(drawCrossplayPlot(byCondition), options.pngPath)}});
}
