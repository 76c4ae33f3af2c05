#pragma once

#include "charts/ChartStyle.h"
#include "charts/ImageFile.h"
#include "records/GenerationRecord.h"

#include <QColor>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QString>
#include <QVector>

// The fitness plot has the two-panel layout, population 1 above population 2.
constexpr int fitnessPlotWidth = twoPanelChartWidth;
constexpr int fitnessPlotHeight = twoPanelChartHeight;
// A population's panel in the plot's image.
inline QRect fitnessPanelArea(int population)
{
    return twoPanelArea(QRect(0, 0, fitnessPlotWidth, fitnessPlotHeight), population);
}

// In legend order: each population's average, then its best so far.
inline constexpr FitnessSeries allFitnessSeries[] = {FitnessSeries::average1, FitnessSeries::best1,
                                                     FitnessSeries::average2, FitnessSeries::best2};

// Each population in its sprite colour: the average solid in the colour
// itself, the best-so-far dashed in a darker shade of it.
QColor fitnessSeriesColor(FitnessSeries series);
QPen fitnessSeriesPen(FitnessSeries series);
QString fitnessSeriesName(FitnessSeries series);

// What the four series hold: the CSV log's averages and best scores so far,
// or, for a run with an archive only, each generation's champion's score and
// the best of those so far.
enum class FitnessSource { log, archiveChampions };

// A chart of the four series over the generations, with axes, tick labels, a
// legend and `title` above it, painted into `area`; its panels are population
// 1's and population 2's. An empty history gives empty axes.
ChartLayout paintFitnessPlot(QPainter& painter, const QRect& area,
                             const QVector<GenerationRecord>& records, const QString& title,
                             FitnessSource source = FitnessSource::log);
// The chart in two parts, which together paint what paintFitnessPlot
// does: all but the series' lines, then the lines alone on the panels the
// first laid out (a painter of pixels may draw them apart, on a layer of
// their own).
ChartLayout paintFitnessFrame(QPainter& painter, const QRect& area,
                              const QVector<GenerationRecord>& records, const QString& title,
                              FitnessSource source = FitnessSource::log);
void paintFitnessLines(QPainter& painter, const ChartLayout& layout,
                       const QVector<GenerationRecord>& records);
// The chart as a picture of the plot's size.
ChartPicture drawFitnessPlot(const QVector<GenerationRecord>& records, const QString& title);
// The chart as a PNG written atomically; an error message or an empty string.
QString saveFitnessPlot(const QString& path, const QVector<GenerationRecord>& records,
                        const QString& title);
