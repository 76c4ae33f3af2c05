#include "batch/ResumedOptions.h"

#include "batch/OutputPathsCheck.h"
#include "records/CheckpointFormat.h"

ResumedOptions resumedOptions(const BatchOptions& given, const Checkpoint& checkpoint)
{
    ResumedOptions resumed;
    BatchOptions& options = resumed.options;
    auto disagree = [&](const QString& option, const QString& value, const QString& saved) {
        resumed.error = QStringLiteral("%1: %2 %3 disagrees with the checkpoint's %4")
                            .arg(given.resumePath, option, value,
                                 saved.isEmpty() ? QStringLiteral("(none)") : saved);
        return resumed;
    };

    if (given.seed && *given.seed != checkpoint.seed)
        return disagree(QStringLiteral("--seed"), QString::number(*given.seed),
                        QString::number(checkpoint.seed));
    const QList<std::pair<QString, std::pair<QString, QString>>> paths = {
        {QStringLiteral("--csv"), {given.csvPath, checkpoint.csvPath}},
        {QStringLiteral("--plot"), {given.plotPath, checkpoint.plotPath}},
        {QStringLiteral("--export"), {given.exportFolder, checkpoint.exportFolder}},
        {QStringLiteral("--archive"), {given.archivePath, checkpoint.archivePath}},
        {QStringLiteral("--checkpoint"),
         {given.checkpointPath, absoluteCleanPath(given.resumePath)}}};
    for (const auto& [option, values] : paths)
        if (!values.first.isEmpty() && absoluteCleanPath(values.first) != values.second)
            return disagree(option, values.first, values.second);

    const int generation = checkpoint.evolution.generationCount;
    const int generations = given.generations.value_or(checkpoint.generationsAsked);
    if (generations < generation) {
        resumed.error = QStringLiteral("%1 holds generation %2, past --generations %3")
                            .arg(given.resumePath)
                            .arg(generation)
                            .arg(generations);
        return resumed;
    }
    options.seed = checkpoint.seed;
    options.generations = generations;
    options.csvPath = checkpoint.csvPath;
    options.plotPath = checkpoint.plotPath;
    options.exportFolder = checkpoint.exportFolder;
    options.archivePath = checkpoint.archivePath;
    options.checkpointPath = given.resumePath;
    options.resumePath = given.resumePath;
    return resumed;
}
