#pragma once

#include "analysis/MasterTournament.h"

#include <QImage>
#include <QString>

// The master tournament as a line chart: each population's mean score per
// generation in a panel of its own (their scores are in different units),
// laid out and coloured like the fitness plot.
QImage drawMasterPlot(const MasterScores& scores, const QString& title);
