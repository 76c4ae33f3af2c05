#pragma once

#include "output/OutputPathsCheck.h"

#include <QString>

#include <array>

// Where a batch run writes: the CSV log, the fitness plot, the export folder
// and the run archive, each empty when not asked for. A checkpoint keeps
// them, so that a resumed run writes to the same places, relative to the
// checkpoint's folder when they lie in it: a run folder copied or moved
// resumes in its new place.
struct RunOutputs {
    QString csvPath;
    QString plotPath;
    QString exportFolder;
    QString archivePath;
};

// Every path of RunOutputs, in the order a checkpoint stores them.
constexpr std::array<QString RunOutputs::*, 4> runOutputPaths = {
    &RunOutputs::csvPath, &RunOutputs::plotPath, &RunOutputs::exportFolder,
    &RunOutputs::archivePath};

// Every path of `outputs` cleaned and absolute, as a checkpoint keeps them.
RunOutputs absoluteCleanPaths(const RunOutputs& outputs);
// On resuming: the first path given that is not, cleaned and absolute, the
// one the checkpoint keeps (`saved`); null when all agree. A path not given
// agrees with any.
QString RunOutputs::*firstDisagreement(const RunOutputs& given, const RunOutputs& saved);
// As a checkpoint in `folder` stores them: relative to the folder for a path
// in it or below it ("." for the folder itself), absolute otherwise.
RunOutputs pathsStoredIn(const QString& folder, const RunOutputs& outputs);
// As a checkpoint read in `folder` means them: relative paths resolved
// against the folder, every path cleaned and absolute.
RunOutputs pathsResolvedIn(const QString& folder, const RunOutputs& outputs);
