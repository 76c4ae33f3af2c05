#include "batch/ResumedOptions.h"

#include "batch/BatchOutputs.h"
#include "output/PartialFile.h"
#include "output/QuotedText.h"
#include "records/CheckpointFormat.h"

#include <QFileInfo>

ResumedOptions resumedOptions(const BatchOptions& given, const Checkpoint& checkpoint)
{
    ResumedOptions resumed;
    BatchOptions& options = resumed.options;
    auto disagree = [&](const QString& option, const QString& value, const QString& saved) {
        resumed.error = QStringLiteral("%1: %2 %3 disagrees with the checkpoint's %4")
                            .arg(quotedText(given.resumePath), option, quotedText(value),
                                 saved.isEmpty() ? QStringLiteral("(none)") : quotedText(saved));
        return resumed;
    };

    if (given.seed && *given.seed != checkpoint.seed)
        return disagree(QStringLiteral("--seed"), QString::number(*given.seed),
                        QString::number(checkpoint.seed));
    if (QString RunOutputs::*path = firstDisagreement(given.outputs, checkpoint))
        return disagree(optionOf(path), given.outputs.*path, checkpoint.*path);
    const QString resumePath = absoluteCleanPath(given.resumePath);
    if (!given.checkpointPath.isEmpty() && absoluteCleanPath(given.checkpointPath) != resumePath)
        return disagree(QStringLiteral("--checkpoint"), given.checkpointPath, resumePath);

    const int generation = checkpoint.evolution.generationCount;
    const int generations = given.generations.value_or(checkpoint.generationsAsked);
    if (generations < generation) {
        // Without --generations the target is the one the run was started
        // with, which a run extended since has passed.
        const QString target =
            given.generations
                ? QStringLiteral("--generations %1").arg(generations)
                : QStringLiteral("the %1 generations it was started for").arg(generations);
        resumed.error = QStringLiteral("%1 holds generation %2, past %3; give --generations %2 "
                                       "or more to go on")
                            .arg(quotedText(given.resumePath), QString::number(generation), target);
        return resumed;
    }
    // The log and the archive are continued where the checkpoint expects
    // them: one gone, partial file and all, cannot be (an output outside a
    // run folder that was moved, say). The line shows where in full, as far
    // as any real path goes.
    for (QString RunOutputs::*path : {&RunOutputs::csvPath, &RunOutputs::archivePath}) {
        const QString expected = checkpoint.*path;
        const QString partial = PartialFile::partialPathOf(expected);
        if (!expected.isEmpty() && !QFileInfo::exists(expected) && !QFileInfo::exists(partial)) {
            resumed.error = QStringLiteral("%1: the run's %2 output is missing from %3, where the "
                                           "checkpoint expects it (so is %4); put it back there, "
                                           "or start the run again")
                                .arg(quotedText(given.resumePath), optionOf(path),
                                     quotedText(expected), quotedText(partial));
            return resumed;
        }
    }
    options.seed = checkpoint.seed;
    options.generations = generations;
    options.outputs = checkpoint;
    options.checkpointPath = given.resumePath;
    options.resumePath = given.resumePath;
    return resumed;
}
