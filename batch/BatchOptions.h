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
    int generations = 100;
    // Experiment outputs; empty when not asked for.
    QString csvPath;
    QString plotPath;
    QString exportFolder;
    QString archivePath;
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
