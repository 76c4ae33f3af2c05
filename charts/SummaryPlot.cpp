#include "charts/SummaryPlot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace
{

QColor bandColor(FitnessSeries series)
{
    QColor color = fitnessSeriesColor(series);
    color.setAlpha(70);
    return color;
}

ChartScale drawPanel(QPainter& painter, const QRect& area, const std::vector<SummaryRow>& rows,
                     const ChartAxis& xAxis, FitnessSeries average, FitnessSeries best,
                     const QString& name, bool labelGenerations)
{
    double highest = 0.0;
    for (const SummaryRow& row : rows)
        highest =
            std::max({highest, seriesField(row, average).upper, seriesField(row, best).upper});
    const ChartScale scale{area, xAxis, niceAxis(0.0, highest, 4, 0.0)};

    drawPanelAxes(painter, scale, labelGenerations, name + QStringLiteral(" score"));
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    // Bands first, so no line is hidden under one; the noisier average on top.
    for (FitnessSeries series : {best, average})
        drawQuartileBand(painter, scale, rows, series, bandColor(series));
    for (FitnessSeries series : {best, average}) {
        QVector<QPointF> medians;
        for (const SummaryRow& row : rows)
            medians.append(scale.toPoint(row.generation, seriesField(row, series).median));
        drawSeriesLine(painter, medians, fitnessSeriesPen(series));
    }
    painter.restore();
    return scale;
}

} // namespace

void drawQuartileBand(QPainter& painter, const ChartScale& scale,
                      const std::vector<SummaryRow>& rows, FitnessSeries series,
                      const QColor& color)
{
    QPainterPath band;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const QPointF point = scale.toPoint(rows[k].generation, seriesField(rows[k], series).upper);
        k == 0 ? band.moveTo(point) : band.lineTo(point);
    }
    for (std::size_t k = rows.size(); k-- > 0;)
        band.lineTo(scale.toPoint(rows[k].generation, seriesField(rows[k], series).lower));
    painter.setPen(rows.size() == 1 ? QPen(color, 6) : QPen(Qt::NoPen));
    painter.setBrush(color);
    painter.drawPath(band);
}

ChartLayout paintSummaryPlot(QPainter& painter, const QRect& area,
                             const std::vector<SummaryRow>& rows, const QString& title)
{
    beginChart(painter, area, title);
    std::vector<LegendEntry> legend;
    for (FitnessSeries series : allFitnessSeries)
        legend.push_back({fitnessSeriesName(series), fitnessSeriesPen(series), bandColor(series)});
    const int top = twoPanelTop(area, drawLegend(painter, legend, area));

    const double last = rows.empty() ? 1 : rows.back().generation;
    const ChartAxis xAxis = niceAxis(1, last, 10, 1.0);
    ChartLayout layout;
    layout.panels.push_back(drawPanel(painter, twoPanelArea(area, 1, top), rows, xAxis,
                                      FitnessSeries::average1, FitnessSeries::best1,
                                      QStringLiteral("population 1"), false));
    layout.panels.push_back(drawPanel(painter, twoPanelArea(area, 2, top), rows, xAxis,
                                      FitnessSeries::average2, FitnessSeries::best2,
                                      QStringLiteral("population 2"), true));

    drawGenerationAxisName(
        painter, area,
        QStringLiteral("generation  (lines: median over the seeds; bands: first to "
                       "third quartile)"));
    return layout;
}

QImage drawSummaryPlot(const std::vector<SummaryRow>& rows, const QString& title)
{
    return chartImage(QSize(twoPanelChartWidth, twoPanelChartHeight),
                      [&](QPainter& painter, const QRect& area) {
                          paintSummaryPlot(painter, area, rows, title);
                      });
}
