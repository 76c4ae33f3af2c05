#pragma once

#include "evolution/EvolutionState.h"
#include "evolution/ExperimentConfig.h"
#include "records/GenerationRecord.h"
#include "records/RunOutputs.h"

#include <QVector>

#include <cstdint>
#include <string>

// A batch run as a checkpoint keeps it, whatever the format's version. Where
// the run writes is part of its settings, read as checkpoint.csvPath and so
// on.
struct Checkpoint : RunOutputs {
    // The experiment the run plays.
    ExperimentConfig config;
    std::uint32_t seed = 0;
    int generationsAsked = 0;
    qint64 csvBytes = 0;
    qint64 archiveBytes = 0;
    EvolutionState evolution;
    std::string randomSources;
    // Every generation's record when a plot is asked for, none otherwise.
    QVector<GenerationRecord> history;
};

// Whether the numbers are those of a run: sound checksums over unsound
// numbers come from a writer with a fault.
bool checkpointNumbersInRange(const Checkpoint& checkpoint);
