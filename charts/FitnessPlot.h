#pragma once

#include "records/GenerationRecord.h"

#include <QColor>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QString>
#include <QVector>

class QPainter;

constexpr int fitnessPlotWidth = 960;
constexpr int fitnessPlotHeight = 540;

enum class FitnessSeries { average1, best1, average2, best2 };

// Each population in its sprite colour: the average solid in the colour
// itself, the best-so-far dashed in a darker shade of it.
QColor fitnessSeriesColor(FitnessSeries series);
QPen fitnessSeriesPen(FitnessSeries series);
QString fitnessSeriesName(FitnessSeries series);
// Where the curves of population 1 or 2 are drawn: two panels, one above the
// other; title, legend and axis labels lie outside them.
QRect fitnessPanelArea(int population);
// `name` centred below the lower panel, where the charts of this size name
// their generation axis.
void drawGenerationAxisName(QPainter& painter, const QString& name);

// A chart of the four series over the generations, with axes, tick labels, a
// legend and `title` above it. An empty history gives empty axes.
QImage drawFitnessPlot(const QVector<GenerationRecord>& records, const QString& title);
// The chart as a PNG written atomically; an error message or an empty string.
QString saveFitnessPlot(const QString& path, const QVector<GenerationRecord>& records,
                        const QString& title);
