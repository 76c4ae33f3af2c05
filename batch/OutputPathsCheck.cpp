#include "batch/OutputPathsCheck.h"

#include "batch/BatchOptions.h"
#include "batch/ExperimentRecorder.h"
#include "records/PartialFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <array>

namespace
{

struct OutputOption {
    QString RunOutputs::*path;
    const char* option;
    PlannedOutput::Kind kind;
};

// The outputs of RunOutputs with the options that ask for them, in the order
// their problems are reported.
constexpr std::array<OutputOption, 4> outputOptions = {
    {{&RunOutputs::archivePath, "--archive", PlannedOutput::Kind::PartialFile},
     {&RunOutputs::csvPath, "--csv", PlannedOutput::Kind::PartialFile},
     {&RunOutputs::plotPath, "--plot", PlannedOutput::Kind::File},
     {&RunOutputs::exportFolder, "--export", PlannedOutput::Kind::Folder}}};

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

QVector<PlannedOutput> plannedOutputs(const BatchOptions& options)
{
    QVector<PlannedOutput> all = {
        {QStringLiteral("--checkpoint"), options.checkpointPath, PlannedOutput::Kind::File, {}}};
    for (const OutputOption& output : outputOptions)
        all.append(
            {QString::fromLatin1(output.option), options.outputs.*output.path, output.kind,
             output.kind == PlannedOutput::Kind::Folder ? exportedFileNames() : QStringList()});
    QVector<PlannedOutput> asked;
    for (const PlannedOutput& output : all)
        if (!output.path.isEmpty())
            asked << output;
    return asked;
}

QString optionOf(QString RunOutputs::*path)
{
    for (const OutputOption& output : outputOptions)
        if (output.path == path)
            return QString::fromLatin1(output.option);
    return {};
}
