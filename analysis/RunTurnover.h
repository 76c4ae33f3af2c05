#pragma once

#include "analysis/Turnover.h"

#include <QString>
#include <QStringList>

#include <vector>

// The turnover of runs, from the run.arc in each run's folder.
struct RunTurnovers {
    // A run's rows each, in the runs' order; none unless every run is a
    // folder whose archive recorded its births (format 3).
    std::vector<std::vector<TurnoverRow>> runs;
    // One line when an archive is there but cannot be read.
    QString error;
};
RunTurnovers readRunTurnovers(const QStringList& runs);
