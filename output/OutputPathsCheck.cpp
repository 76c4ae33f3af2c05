#include "output/OutputPathsCheck.h"

#include "output/PartialFile.h"
#include "output/QuotedText.h"
#include "output/SystemFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sys/stat.h>

QString absoluteCleanPath(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

namespace
{

// "--option PATH", as the lines below begin.
QString named(const PlannedOutput& output)
{
    return output.option + QLatin1Char(' ') + quotedText(output.path);
}

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
        return QStringLiteral("%1: %2 is not a folder")
            .arg(named(output), quotedText(folder.filePath()));
    const QString refusal = refusalToCreateIn(folder.filePath());
    if (!refusal.isEmpty())
        return QStringLiteral("%1: cannot write in %2: %3")
            .arg(named(output), quotedText(folder.filePath()), refusal);
    return {};
}

QString problemWithFile(const PlannedOutput& output)
{
    const QFileInfo info(output.path);
    if (info.isDir())
        return QStringLiteral("%1 is a folder, not a file").arg(named(output));
    // Replaced by a rename, a device or a FIFO would become a regular file.
    QStringList written{output.path};
    if (output.kind == PlannedOutput::Kind::PartialFile)
        written << PartialFile::partialPathOf(output.path);
    for (const QString& path : written) {
        struct stat existing;
        if (::stat(QFile::encodeName(path).constData(), &existing) == 0 &&
            !S_ISREG(existing.st_mode))
            return path == output.path
                       ? QStringLiteral("%1 is %2").arg(named(output),
                                                        irregularFileKind(existing.st_mode))
                       : QStringLiteral("%1: %2 is %3")
                             .arg(named(output), quotedText(path),
                                  irregularFileKind(existing.st_mode));
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return QStringLiteral("%1: folder %2 does not exist")
            .arg(named(output), quotedText(folder.filePath()));
    return problemCreatingIn(output, folder);
}

QString problemWithFolder(const PlannedOutput& output)
{
    QFileInfo nearest(absoluteCleanPath(output.path));
    if (nearest.exists() && !nearest.isDir())
        return QStringLiteral("%1 is a file, not a folder").arg(named(output));
    // A file of the folder's own cannot replace a folder of its name.
    for (const QString& name : output.fileNames) {
        const QString file = QDir(output.path).filePath(name);
        if (QFileInfo(file).isDir())
            return QStringLiteral("%1: %2 is a folder").arg(named(output), quotedText(file));
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
                    return QStringLiteral("%1 and %2 both write %3")
                        .arg(named(outputs[a]), named(outputs[b]), quotedText(path));
    for (const PlannedOutput& output : outputs) {
        const QString problem = output.kind == PlannedOutput::Kind::Folder
                                    ? problemWithFolder(output)
                                    : problemWithFile(output);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}
