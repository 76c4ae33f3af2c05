#pragma once

#include "analysis/Descent.h"
#include "analysis/Turnover.h"
#include "charts/ChartStyle.h"
#include "charts/ImageFile.h"

#include <QString>

#include <vector>

class QPainter;

// How fast the populations turn over: the distinct patterns of each per
// generation in the upper panel, the time to coalescence in the lower (a
// gap where the lines do not meet), both populations in their colours.
ChartLayout paintTurnoverPlot(QPainter& painter, const QRect& area,
                              const std::vector<TurnoverRow>& rows, const QString& title);
ChartPicture drawTurnoverPlot(const std::vector<TurnoverRow>& rows, const QString& title);

// A line of descent: each ancestor's score by its generation, a cross where
// a crossover bred it, a ring where a mutation changed its cells, a filled
// dot where it was its generation's champion. A line whose scores were not
// recorded says so.
ChartLayout paintDescentPlot(QPainter& painter, const QRect& area,
                             const std::vector<DescentStep>& line, int population,
                             const QString& title);
ChartPicture drawDescentPlot(const std::vector<DescentStep>& line, int population,
                             const QString& title);
