#pragma once

#include "output/OutputPathsCheck.h"
#include "records/RunOutputs.h"

struct BatchOptions;

// The outputs `options` asks for, in the order their problems are reported.
QVector<PlannedOutput> plannedOutputs(const BatchOptions& options);
// The option that asks for the output at `path` of RunOutputs.
QString optionOf(QString RunOutputs::*path);
