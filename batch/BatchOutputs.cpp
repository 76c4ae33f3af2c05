#include "batch/BatchOutputs.h"

#include "batch/BatchOptions.h"
#include "batch/ExperimentRecorder.h"

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

} // namespace

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
