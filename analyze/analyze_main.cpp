#include "analyze/AnalysisOutputs.h"
#include "analyze/AnalysisRun.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/ConditionRuns.h"
#include "analyze/LineageRun.h"
#include "analyze/SummaryRun.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "cli/TerminationSignalWatcher.h"

#include <QCoreApplication>

namespace
{

// Whether the command draws a chart.
bool drawsCharts(int argc, char** argv)
{
    for (int k = 1; k < argc; ++k) {
        const QByteArray argument(argv[k]);
        if (argument == "ciao" || argument == "master" || argument == "summary" ||
            argument == "compare" || argument == "crossplay" || argument == "descent" ||
            argument == "turnover")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // First of all, so that the pool's threads inherit the mask and the
    // signals wait for the main thread to take them.
    blockTerminationSignals();
    const CommandLineApplication commandLine(argc, argv, drawsCharts(argc, argv));

    const QStringList arguments = QCoreApplication::arguments();
    const AnalyzeOptionsParse parsed =
        withConditionsHint(arguments, parseAnalyzeOptions(arguments));
    if (const auto exitCode = exitCodeBeforeRun(parsed))
        return *exitCode;
    // An analysis may play for hours: an output it could not write is
    // refused before it starts.
    if (const QString problem = checkAnalysisOutputs(parsed.options); !problem.isEmpty()) {
        reportError(problem);
        return ExitCode::badInput;
    }
    switch (parsed.options.command) {
    case AnalyzeOptions::Command::Summary:
        return runSummary(parsed.options);
    case AnalyzeOptions::Command::Compare:
        return runCompare(parsed.options);
    case AnalyzeOptions::Command::Crossplay:
        return runCrossplay(parsed.options);
    case AnalyzeOptions::Command::Lineage:
    case AnalyzeOptions::Command::Descent:
    case AnalyzeOptions::Command::Turnover:
        return runLineageAnalysis(parsed.options);
    default:
        break;
    }
    return runAnalysis(parsed.options);
}
