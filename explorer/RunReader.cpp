#include "explorer/RunReader.h"

#include "output/QuotedText.h"

#include <QFileInfo>

PathRead readPath(const QString& path)
{
    PathRead read;
    read.path = path;
    OpenedRunRead opened = openRun(path);
    if (opened.error.isEmpty()) {
        read.run = std::make_unique<LiveRun>(std::move(opened.run));
        // A file still being written is read whole once more by the first
        // look, which learns where it ends: here rather than on the window's
        // thread. A look that fails leaves the run as opened, and the
        // window's next look tries again.
        read.run->look();
        if (const auto& archive = read.run->run().archive)
            read.champions = championsOf(*archive);
        return read;
    }
    if (QFileInfo(path).isDir()) {
        // Not a run's folder: a sweep's or a condition's, whose seeds are runs.
        SweepRead swept = readSweep(path);
        if (swept.error.isEmpty() && !swept.runs.empty()) {
            read.sweep = std::move(swept);
            return read;
        }
        read.error = swept.error.isEmpty()
                         ? RunReader::tr("%1 holds no run (neither fitness.csv nor run.arc, nor "
                                         "their .partial files) and no seed folder of a sweep")
                               .arg(quotedText(path))
                         : swept.error;
        return read;
    }
    read.error = opened.error;
    return read;
}

void RunReader::read(int request, const QString& path)
{
    if (request != newest.load())
        return;
    auto result = std::make_shared<PathRead>(readPath(path));
    const std::lock_guard<std::mutex> handOff(handOffMutex());
    emit pathRead(request, result);
}
