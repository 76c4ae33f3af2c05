#include "records/OutputPathsCheck.h"

#include "records/PartialFile.h"
#include "records/RunOutputs.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace
{

// Creating a file is the only test that a folder takes new files which holds
// for root and for file systems such as /proc alike.
QString refusalToCreateIn(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".coevolife-probe-XXXXXX")));
    if (probe.open())
        return {};
    return probe.errorString();
}

// What a new file or folder of `output` needs of the folder it goes into.
QString problemCreatingIn(const PlannedOutput& output, const QFileInfo& folder)
{
    if (!folder.isDir())
        return QStringLiteral("%1 %2: %3 is not a folder")
            .arg(output.option, output.path, folder.filePath());
    const QString refusal = refusalToCreateIn(folder.filePath());
    if (!refusal.isEmpty())
        return QStringLiteral("%1 %2: cannot write in %3: %4")
            .arg(output.option, output.path, folder.filePath(), refusal);
    return {};
}

QString problemWithFile(const PlannedOutput& output)
{
    const QFileInfo info(output.path);
    if (info.isDir())
        return QStringLiteral("%1 %2 is a folder, not a file").arg(output.option, output.path);
    if (output.kind == PlannedOutput::Kind::PartialFile &&
        QFileInfo(PartialFile::partialPathOf(output.path)).isDir())
        return QStringLiteral("%1 %2: %3 is a folder")
            .arg(output.option, output.path, PartialFile::partialPathOf(output.path));
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return QStringLiteral("%1 %2: folder %3 does not exist")
            .arg(output.option, output.path, folder.filePath());
    return problemCreatingIn(output, folder);
}

QString problemWithFolder(const PlannedOutput& output)
{
    QFileInfo nearest(absoluteCleanPath(output.path));
    if (nearest.exists() && !nearest.isDir())
        return QStringLiteral("%1 %2 is a file, not a folder").arg(output.option, output.path);
    // A file of the folder's own cannot replace a folder of its name.
    for (const QString& name : output.fileNames) {
        const QString file = QDir(output.path).filePath(name);
        if (QFileInfo(file).isDir())
            return QStringLiteral("%1 %2: %3 is a folder").arg(output.option, output.path, file);
    }
    // A missing folder is created with its parents, inside the nearest
    // ancestor that exists.
    while (!nearest.exists() && !nearest.isRoot())
        nearest.setFile(nearest.absolutePath());
    return problemCreatingIn(output, nearest);
}

QStringList claimedPaths(const PlannedOutput& output)
{
    const QString path = absoluteCleanPath(output.path);
    QStringList claimed{path};
    if (output.kind == PlannedOutput::Kind::PartialFile)
        claimed << PartialFile::partialPathOf(path);
    for (const QString& name : output.fileNames)
        claimed << QDir(path).filePath(name);
    return claimed;
}

} // namespace

QString checkOutputPaths(const QVector<PlannedOutput>& outputs)
{
    for (int a = 0; a < outputs.size(); ++a)
        for (int b = a + 1; b < outputs.size(); ++b)
            for (const QString& path : claimedPaths(outputs[a]))
                if (claimedPaths(outputs[b]).contains(path))
                    return QStringLiteral("%1 %2 and %3 %4 both write %5")
                        .arg(outputs[a].option, outputs[a].path, outputs[b].option, outputs[b].path,
                             path);
    for (const PlannedOutput& output : outputs) {
        const QString problem = output.kind == PlannedOutput::Kind::Folder
                                    ? problemWithFolder(output)
                                    : problemWithFile(output);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}
