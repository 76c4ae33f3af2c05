#include "records/ResumedGeneration.h"

#include "output/PartialFile.h"
#include "output/QuotedText.h"

#include <QFile>

namespace
{

// Why the log or the archive cannot be continued from `checkpoint`, or
// empty.
QString shortOutputOf(const Checkpoint& checkpoint)
{
    if (!checkpoint.csvPath.isEmpty())
        if (QString problem = PartialFile::checkReopenable(checkpoint.csvPath, checkpoint.csvBytes);
            !problem.isEmpty())
            return problem;
    if (!checkpoint.archivePath.isEmpty())
        return PartialFile::checkReopenable(checkpoint.archivePath, checkpoint.archiveBytes);
    return {};
}

} // namespace

QString pickResumedGeneration(CheckpointRead& read, const QString& path)
{
    const QString problem = shortOutputOf(read.checkpoint);
    if (problem.isEmpty())
        return {};
    if (read.earlier && shortOutputOf(*read.earlier).isEmpty()) {
        read.checkpoint = std::move(*read.earlier);
        read.earlier.reset();
        return {};
    }
    const int longestPathShown = 1000;
    const QString before =
        read.earlier ? QStringLiteral(", and generation %1 before it counts more than its files "
                                      "hold as well")
                           .arg(read.earlier->evolution.generationCount)
                     : QString();
    return QStringLiteral("%1: %2%3; the files lost what it counts: start the run again, "
                          "after setting them aside to keep them")
        .arg(quotedText(QFile::encodeName(path), longestPathShown), problem, before);
}
