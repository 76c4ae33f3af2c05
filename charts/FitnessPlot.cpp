#include "charts/FitnessPlot.h"

#include "board/SpeciesColours.h"

#include <QPainter>

#include <algorithm>

namespace
{

void drawPanel(QPainter& painter, const QRect& area, const QVector<GenerationRecord>& records,
               const ChartAxis& xAxis, FitnessSeries average, FitnessSeries best,
               const QString& name, bool labelGenerations)
{
    double highest = 0.0;
    for (const GenerationRecord& record : records)
        highest = std::max({highest, seriesField(record, average), seriesField(record, best)});
    const ChartScale scale{area, xAxis, niceAxis(0.0, highest, 4, 0.0)};

    drawPanelAxes(painter, scale, labelGenerations, name + QStringLiteral(" score"));

    // The best-so-far first, so the noisier average stays on top.
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    for (FitnessSeries series : {best, average}) {
        QVector<QPointF> points;
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
    switch (series) {
    case FitnessSeries::average1:
        return QStringLiteral("population 1 average");
    case FitnessSeries::best1:
        return QStringLiteral("population 1 best so far");
    case FitnessSeries::average2:
        return QStringLiteral("population 2 average");
    case FitnessSeries::best2:
        return QStringLiteral("population 2 best so far");
    }
    return {};
}

QColor fitnessSeriesColor(FitnessSeries series)
{
    // Shades are snapped to 8-bit RGB, so the colour returned is the colour
    // drawn.
    const QColor firstSpeciesColor{QRgb(firstSpeciesRgb)};
    const QColor secondSpeciesColor{QRgb(secondSpeciesRgb)};
    switch (series) {
    case FitnessSeries::average1:
        return firstSpeciesColor;
    case FitnessSeries::best1:
        return QColor(firstSpeciesColor.darker(150).rgb());
    case FitnessSeries::average2:
        return secondSpeciesColor;
    case FitnessSeries::best2:
        return QColor(secondSpeciesColor.darker(150).rgb());
    }
    return Qt::black;
}

QImage drawFitnessPlot(const QVector<GenerationRecord>& records, const QString& title)
{
    QImage image(twoPanelChartWidth, twoPanelChartHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    beginChart(painter, twoPanelChartWidth, title);

    const double firstGeneration = records.isEmpty() ? 0 : records.front().generation;
    const double lastGeneration = records.isEmpty() ? 1 : records.back().generation;
    const ChartAxis xAxis = niceAxis(firstGeneration, lastGeneration, 10, 1.0);

    std::vector<LegendEntry> legend;
    for (FitnessSeries series : allFitnessSeries)
        legend.push_back({fitnessSeriesName(series), fitnessSeriesPen(series), {}});
    drawLegend(painter, legend);

    // The populations score in different units (population 1 weights its
    // cells by contacts), so each gets a panel and a value axis of its own
    // over the shared generation axis.
    drawPanel(painter, twoPanelArea(1), records, xAxis, FitnessSeries::average1,
              FitnessSeries::best1, QStringLiteral("population 1"), false);
    drawPanel(painter, twoPanelArea(2), records, xAxis, FitnessSeries::average2,
              FitnessSeries::best2, QStringLiteral("population 2"), true);

    drawGenerationAxisName(painter, QStringLiteral("generation"));
    painter.end();
    return image;
}

QString saveFitnessPlot(const QString& path, const QVector<GenerationRecord>& records,
                        const QString& title)
{
    return savePng(path, drawFitnessPlot(records, title));
}
