#pragma once

#include "analysis/MasterTournament.h"
#include "charts/ChartStyle.h"
#include "charts/ImageFile.h"

#include <QImage>
#include <QString>

class QPainter;

// The master tournament as a line chart: each population's mean score per
// generation in a panel of its own (their scores are in different units),
// laid out and coloured like the fitness plot, painted into `area`; its
// panels are population 1's and population 2's.
ChartLayout paintMasterPlot(QPainter& painter, const QRect& area, const MasterScores& scores,
                            const QString& title);
// The chart as a picture of the two-panel size.
ChartPicture drawMasterPlot(const MasterScores& scores, const QString& title);
