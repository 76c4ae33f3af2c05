#pragma once

#include "analysis/SeedSummary.h"
#include "charts/ChartStyle.h"
#include "charts/ImageFile.h"

#include <QImage>
#include <QString>

#include <vector>

class QPainter;

constexpr int summaryPlotWidth = twoPanelChartWidth;

// The summary over seeds of the runs of `condition` in the quartile panels:
// for each population's average and best so far the median as a line and
// the first to third quartile as a band, in the fitness plot's colours. The
// title names the condition (when `condition` is not empty) and the runs,
// and the line below it how many of them reach the last generation. Painted
// into `area`, its panels those of average1, average2, best1 and best2.
ChartLayout paintSummaryPlot(QPainter& painter, const QRect& area,
                             const std::vector<SummaryRow>& rows, const QString& condition);
// The chart as a picture summaryPlotWidth wide.
ChartPicture drawSummaryPlot(const std::vector<SummaryRow>& rows, const QString& condition);
