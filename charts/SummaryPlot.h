#pragma once

#include "analysis/SeedSummary.h"
#include "charts/FitnessPlot.h"

#include <QImage>
#include <QString>

#include <vector>

class QPainter;

// The first to third quartile of `series` over the rows as a band filled
// with `color`; a single row as a short thick stroke.
void drawQuartileBand(QPainter& painter, const ChartScale& scale,
                      const std::vector<SummaryRow>& rows, FitnessSeries series,
                      const QColor& color);

// The summary over seeds laid out like the fitness plot, one panel per
// population: for its average and its best-so-far the median as a line and
// the first to third quartile as a band, in the fitness plot's colours;
// painted into `area`, its panels population 1's and population 2's.
ChartLayout paintSummaryPlot(QPainter& painter, const QRect& area,
                             const std::vector<SummaryRow>& rows, const QString& title);
// The chart in an image of the two-panel size.
QImage drawSummaryPlot(const std::vector<SummaryRow>& rows, const QString& title);
