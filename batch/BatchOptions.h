#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What a batch run was asked to do. A new option is a new field here with its
// default, plus its definition and check in parseBatchOptions.
struct BatchOptions {
    // Absent: the clock seeds the random sources, as in the window.
    std::optional<std::uint32_t> seed;
    // Absent: 100, or on --resume the number the checkpointed run was given.
    std::optional<int> generations;
    // Experiment outputs; empty when not asked for.
    QString csvPath;
    QString plotPath;
    QString exportFolder;
    QString archivePath;
    // The checkpoint kept after every generation, the one a run resumes
    // from, and the one whose generation is only reported.
    QString checkpointPath;
    QString resumePath;
    QString checkpointInfoPath;
    // Absent: one thread per CPU.
    std::optional<int> threads;
    // The window's way of playing matches instead of the pool.
    bool boardThreads = false;
};

struct BatchOptionsParse {
    enum class Outcome { Run, Help, Error };

    Outcome outcome = Outcome::Run;
    BatchOptions options;
    // The usage text for Help; for Error one line naming the problem, with a
    // hint to --help and no line end.
    QString text;
};

// `arguments` as QCoreApplication::arguments() gives them, program name first.
BatchOptionsParse parseBatchOptions(const QStringList& arguments);
