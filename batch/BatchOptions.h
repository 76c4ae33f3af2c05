#pragma once

#include "cli/OptionHelpers.h"
#include "records/RunOutputs.h"

#include "evolution/ExperimentConfig.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What a batch run was asked to do. A new option is a new field here with its
// default, plus its row in the options' table and its reading.
struct BatchOptions {
    // Absent: the clock seeds the random sources, as in the window.
    std::optional<std::uint32_t> seed;
    // Absent: 100, or on --resume the number the checkpointed run was given.
    std::optional<int> generations;
    RunOutputs outputs;
    // The checkpoint kept after every generation, the one a run resumes
    // from, and the one whose generation is only reported.
    QString checkpointPath;
    QString resumePath;
    QString checkpointInfoPath;
    // The pool's: --threads, or one per CPU.
    int threads = 1;
    // The window's way of playing matches instead of the pool.
    bool boardThreads = false;
    // The experiment: a TOML file and key=value settings over it; empty and
    // none for the window's experiment (or, on --resume, the checkpoint's).
    QString configPath;
    QStringList settings;
    bool printConfig = false;
    // What they resolve to.
    ExperimentConfig config;

    bool configGiven() const { return !configPath.isEmpty() || !settings.isEmpty(); }
};

using BatchOptionsParse = OptionsParse<BatchOptions>;

// `arguments` as QCoreApplication::arguments() gives them, program name first.
// Reads no file: the experiment is left to withExperiment.
BatchOptionsParse parseBatchOptions(const QStringList& arguments);
// After the parse: the experiment --config and --set give (the file read
// here), and the run options --checkpoint-info refuses.
BatchOptionsParse withExperiment(const QStringList& arguments, BatchOptionsParse parsed);
