#pragma once

#include "records/ConfigFile.h"

#include <QString>
#include <QStringList>

// Where a sweep leaves a run: a folder holding fitness.csv once the run is
// finished, its config.toml, and run.arc when it was archived.

// A run's folder stands for the log in it; a file is a log itself.
QString logPathOf(const QString& run);
// The experiment a run played: the config.toml beside its log, or the
// window's experiment where there is none.
ConfigRead configOf(const QString& run);

// A condition: a folder of run folders, as a sweep over seeds leaves it.
struct ConditionFolder {
    QString path;
    // The folder's name, or its path as given when two conditions share a
    // name.
    QString name;
    // The finished runs, seed-2 before seed-10.
    QStringList runs;
    // One line for each run folder left out as unfinished (no fitness.csv).
    QStringList unfinished;
};

// The conditions at `paths`. Empty `error` on success; otherwise one line,
// as when a folder is missing or holds no finished run.
struct ConditionFolders {
    std::vector<ConditionFolder> conditions;
    QString error;
};
ConditionFolders listConditionFolders(const QStringList& paths);
