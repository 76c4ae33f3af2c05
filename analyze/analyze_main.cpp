#include "analyze/AnalysisRun.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/SummaryRun.h"
#include "cli/TerminationSignalWatcher.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace
{

// The charts draw text, and fonts need the GUI application: only then is one
// made, on the offscreen platform, so no display is ever needed.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv)
{
    for (int k = 1; k < argc; ++k) {
        const QByteArray argument(argv[k]);
        if (argument == "ciao" || argument == "master" || argument == "summary") {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    // First of all, so that the pool's threads inherit the mask and the
    // signals wait for the main thread to take them.
    blockTerminationSignals();
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);

    const AnalyzeOptionsParse parsed = parseAnalyzeOptions(QCoreApplication::arguments());
    if (const auto exitCode = exitCodeBeforeRun(parsed))
        return *exitCode;
    if (parsed.options.command == AnalyzeOptions::Command::Summary)
        return runSummary(parsed.options);
    return runAnalysis(parsed.options);
}
