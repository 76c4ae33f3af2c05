#include "charts/FitnessPlot.h"

#include "charts/ImageFile.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace
{

// A panel's axes, on a score axis spanning its two series.
ChartScale drawPanelFrame(QPainter& painter, const QRect& area,
                          const QVector<GenerationRecord>& records, const ChartAxis& xAxis,
                          FitnessSeries average, FitnessSeries best, const QString& name,
                          const QString& shortName, bool labelGenerations)
{
    // The score axis spans the scores drawn, from round numbers around them.
    double lowest = records.isEmpty() ? 0.0 : seriesField(records.front(), average);
    double highest = lowest;
    for (const GenerationRecord& record : records)
        for (const double value : {seriesField(record, average), seriesField(record, best)}) {
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        }
    const ChartScale scale{area, xAxis,
                           niceAxis(lowest, highest, ticksFor(area.height(), 36), 0.0)};

    // A panel too low for its value axis' name gets a short one.
    const QString full = name + QStringLiteral(" score");
    const bool fits = QFontMetrics(chartFont(13)).horizontalAdvance(full) <= area.height() + 40;
    drawPanelAxes(painter, scale, labelGenerations, fits ? full : shortName);
    return scale;
}

void drawPanelLines(QPainter& painter, const ChartScale& scale,
                    const QVector<GenerationRecord>& records, FitnessSeries average,
                    FitnessSeries best)
{
    // The best-so-far first, so the noisier average stays on top.
    painter.save();
    painter.setClipRect(scale.area.adjusted(-2, -2, 3, 3));
    for (FitnessSeries series : {best, average}) {
        QVector<QPointF> points;
        points.reserve(records.size());
        for (const GenerationRecord& record : records)
            points.append(scale.toPoint(record.generation, seriesField(record, series)));
        drawSeriesLine(painter, points, fitnessSeriesPen(series));
    }
    painter.restore();
}

} // namespace

QPen fitnessSeriesPen(FitnessSeries series)
{
    QPen pen(fitnessSeriesColor(series), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (series == FitnessSeries::best1 || series == FitnessSeries::best2) {
        pen.setStyle(Qt::DashLine);
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

QString fitnessSeriesName(FitnessSeries series)
{
    return QString::fromLatin1(seriesOf(series).label);
}

QColor fitnessSeriesColor(FitnessSeries series)
{
    // Shades are snapped to 8-bit RGB, so the colour returned is the colour
    // drawn.
    switch (series) {
    case FitnessSeries::average1:
        return speciesColor(1);
    case FitnessSeries::best1:
        return QColor(speciesColor(1).darker(150).rgb());
    case FitnessSeries::average2:
        return speciesColor(2);
    case FitnessSeries::best2:
        return QColor(speciesColor(2).darker(150).rgb());
    }
    return Qt::black;
}

namespace
{

// The legend's name of a series, as the source fills it.
QString legendName(FitnessSeries series, FitnessSource source)
{
    if (source == FitnessSource::log)
        return fitnessSeriesName(series);
    const int population =
        series == FitnessSeries::average1 || series == FitnessSeries::best1 ? 1 : 2;
    const bool best = series == FitnessSeries::best1 || series == FitnessSeries::best2;
    return best ? QStringLiteral("population %1 champion, best so far").arg(population)
                : QStringLiteral("population %1 champion").arg(population);
}

} // namespace

ChartLayout paintFitnessPlot(QPainter& painter, const QRect& area,
                             const QVector<GenerationRecord>& records, const QString& title,
                             FitnessSource source)
{
    const ChartLayout layout = paintFitnessFrame(painter, area, records, title, source);
    paintFitnessLines(painter, layout, records);
    return layout;
}

void paintFitnessLines(QPainter& painter, const ChartLayout& layout,
                       const QVector<GenerationRecord>& records)
{
    if (layout.panels.size() != 2)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    drawPanelLines(painter, layout.panels[0], records, FitnessSeries::average1,
                   FitnessSeries::best1);
    drawPanelLines(painter, layout.panels[1], records, FitnessSeries::average2,
                   FitnessSeries::best2);
}

ChartLayout paintFitnessFrame(QPainter& painter, const QRect& area,
                              const QVector<GenerationRecord>& records, const QString& title,
                              FitnessSource source)
{
    beginChart(painter, area, title);

    const double firstGeneration = records.isEmpty() ? 0 : records.front().generation;
    const double lastGeneration = records.isEmpty() ? 1 : records.back().generation;
    // The generation axis runs from the first generation drawn to the last,
    // so that the lines reach both ends of a zoomed range.
    const ChartAxis xAxis = exactAxis(firstGeneration, lastGeneration,
                                      ticksFor(twoPanelArea(area, 1).width(), 90), 1.0);

    std::vector<LegendEntry> legend;
    for (FitnessSeries series : allFitnessSeries)
        legend.push_back({legendName(series, source), fitnessSeriesPen(series), {}});
    const int top = twoPanelTop(area, drawLegend(painter, legend, area));

    // The populations score in different units (population 1 weights its
    // cells by contacts), so each gets a panel and a value axis of its own
    // over the shared generation axis.
    ChartLayout layout;
    layout.panels.push_back(drawPanelFrame(
        painter, twoPanelArea(area, 1, top), records, xAxis, FitnessSeries::average1,
        FitnessSeries::best1, QStringLiteral("population 1"), QStringLiteral("pop. 1"), false));
    layout.panels.push_back(drawPanelFrame(
        painter, twoPanelArea(area, 2, top), records, xAxis, FitnessSeries::average2,
        FitnessSeries::best2, QStringLiteral("population 2"), QStringLiteral("pop. 2"), true));

    drawGenerationAxisName(painter, area, QStringLiteral("generation"));
    return layout;
}

ChartPicture drawFitnessPlot(const QVector<GenerationRecord>& records, const QString& title)
{
    return ChartPicture{QSize(fitnessPlotWidth, fitnessPlotHeight),
                        [=](QPainter& painter, const QRect& area) {
                            paintFitnessPlot(painter, area, records, title);
                        }};
}

QString saveFitnessPlot(const QString& path, const QVector<GenerationRecord>& records,
                        const QString& title)
{
    return writeImageFile(path, drawFitnessPlot(records, title).image(), "PNG");
}
