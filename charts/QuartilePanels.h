#pragma once

#include "analysis/SeedSummary.h"
#include "charts/ChartStyle.h"
#include "charts/FitnessPlot.h"

#include <QColor>
#include <QPen>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

// The layout of the charts of medians and quartiles per generation (the
// summary over seeds, the comparison of conditions): four panels over the
// generations, each population's average above its best so far, population 1
// on the left, each panel named and on a scale of its own, so that an
// average far below the best still shows how it moves.

// Room above the upper panels for their names.
constexpr int quartilePanelNameHeight = 30;
// The height of a chart of quartile panels whose panels start at `panelsTop`
// below its top, for panels of the usual height.
int quartileChartHeight(int panelsTop);

// A median line and its band of quartiles, the band over the first to third
// quartile, a single row's band a short thick stroke.
struct QuartileCurve {
    const std::vector<SummaryRow>* rows = nullptr;
    QPen median;
    QColor band;
};
// The curves of the panel of `series`, in the order they are drawn.
using QuartileCurves = std::function<std::vector<QuartileCurve>(FitnessSeries series)>;

// The four panels in `chart` from `panelsTop` down, the curves in them, a
// dashed line at `markedGeneration` in each unless it is 0, and `footnote`
// after "generation" below them; returns the panels of average1, average2,
// best1 and best2, in that order.
ChartLayout paintQuartilePanels(QPainter& painter, const QRect& chart, int panelsTop,
                                const QuartileCurves& curves, int markedGeneration,
                                const QString& footnote);
