#include "batch/BatchSession.h"
#include "cli/CommandLineApplication.h"
#include "cli/TerminationSignalWatcher.h"
#include "records/CheckpointFormat.h"

#include <QCoreApplication>
#include <QFile>

#include <utility>

namespace
{

// What the command line says before it is parsed: whether the run plots, so
// that the application made for it can draw text, and the checkpoint a
// --resume names, whose plot counts too. The session gets that read and
// reports its errors; the checkpoint is read once.
struct EarlyLook
{
    bool plot = false;
    QString resumePath;
    CheckpointRead read;
};

EarlyLook lookAhead(int argc, char** argv)
{
    EarlyLook look;
    for (int k = 1; k < argc; ++k) {
        const QByteArray argument(argv[k]);
        if (argument == "--plot" || argument.startsWith("--plot="))
            look.plot = true;
        else if (argument == "--resume" && k + 1 < argc)
            look.resumePath = QFile::decodeName(argv[k + 1]);
        else if (argument.startsWith("--resume="))
            look.resumePath = QFile::decodeName(argument.mid(9));
    }
    if (!look.resumePath.isEmpty()) {
        look.read = readCheckpoint(look.resumePath);
        look.plot = look.plot || !look.read.checkpoint.plotPath.isEmpty();
    }
    return look;
}

} // namespace

int main(int argc, char** argv)
{
    // First of all, so that every thread started later inherits the mask.
    blockTerminationSignals();
    EarlyLook look = lookAhead(argc, argv);
    CommandLineApplication commandLine(argc, argv, look.plot);
    BatchSession session(QCoreApplication::arguments());
    if (!look.resumePath.isEmpty())
        session.takeCheckpointRead(look.resumePath, std::move(look.read));
    return session.run();
}
