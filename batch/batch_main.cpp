#include "batch/BatchSession.h"
#include "cli/CommandLineApplication.h"
#include "cli/TerminationSignalWatcher.h"
#include "records/CheckpointFormat.h"

#include <QCoreApplication>
#include <QFile>

namespace
{

// Whether the run draws a plot: asked for by --plot, or by the checkpoint a
// run resumes from (read here without an application; errors come later).
bool drawsPlot(int argc, char** argv)
{
    for (int k = 1; k < argc; ++k) {
        const QByteArray argument(argv[k]);
        if (argument == "--plot" || argument.startsWith("--plot="))
            return true;
        QString resumePath;
        if (argument == "--resume" && k + 1 < argc)
            resumePath = QFile::decodeName(argv[k + 1]);
        else if (argument.startsWith("--resume="))
            resumePath = QFile::decodeName(argument.mid(9));
        if (!resumePath.isEmpty() && !readCheckpoint(resumePath).checkpoint.plotPath.isEmpty())
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // First of all, so that every thread started later inherits the mask.
    blockTerminationSignals();
    CommandLineApplication commandLine(argc, argv, drawsPlot(argc, argv));
    return BatchSession(QCoreApplication::arguments()).run();
}
