#include "charts/SummaryPlot.h"

#include "charts/ChartStyle.h"
#include "charts/FitnessPlot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace
{

const Quartiles& quartilesOf(const SummaryRow& row, FitnessSeries series)
{
    switch (series) {
    case FitnessSeries::average1:
        return row.average1;
    case FitnessSeries::best1:
        return row.best1;
    case FitnessSeries::average2:
        return row.average2;
    case FitnessSeries::best2:
        return row.best2;
    }
    return row.average1;
}

QColor bandColor(FitnessSeries series)
{
    QColor color = fitnessSeriesColor(series);
    color.setAlpha(70);
    return color;
}

void drawLegend(QPainter& painter, int top)
{
    constexpr FitnessSeries order[] = {FitnessSeries::average1, FitnessSeries::best1,
                                       FitnessSeries::average2, FitnessSeries::best2};
    painter.setFont(chartFont(13));
    const QFontMetrics metrics(painter.font());
    constexpr int swatch = 30;
    constexpr int gap = 8;
    constexpr int spacing = 28;
    int total = -spacing;
    for (FitnessSeries series : order)
        total += swatch + gap + metrics.horizontalAdvance(fitnessSeriesName(series)) + spacing;

    int x = (fitnessPlotWidth - total) / 2;
    const int y = top + metrics.height() / 2;
    for (FitnessSeries series : order) {
        painter.fillRect(QRectF(x, y - 6, swatch, 12), bandColor(series));
        painter.setPen(fitnessSeriesPen(series));
        painter.drawLine(QPointF(x, y), QPointF(x + swatch, y));
        x += swatch + gap;
        painter.setPen(chartAxisColor);
        const QString name = fitnessSeriesName(series);
        painter.drawText(QRect(x, top, metrics.horizontalAdvance(name) + 2, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, name);
        x += metrics.horizontalAdvance(name) + spacing;
    }
}

void drawPanel(QPainter& painter, const QRect& area, const std::vector<SummaryRow>& rows,
               const ChartAxis& xAxis, FitnessSeries average, FitnessSeries best,
               const QString& name, bool labelGenerations)
{
    double highest = 0.0;
    for (const SummaryRow& row : rows)
        highest =
            std::max({highest, quartilesOf(row, average).upper, quartilesOf(row, best).upper});
    const ChartAxis yAxis = niceAxis(0.0, highest, 4, 0.0);
    auto toPoint = [&](int generation, double value) {
        return QPointF(
            area.left() + (generation - xAxis.low) / (xAxis.high - xAxis.low) * area.width(),
            area.bottom() - (value - yAxis.low) / (yAxis.high - yAxis.low) * area.height());
    };

    drawPanelAxes(painter, area, xAxis, yAxis, labelGenerations, name + QStringLiteral(" score"));
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    // Bands first, so no line is hidden under one; the noisier average on top.
    for (FitnessSeries series : {best, average}) {
        QPainterPath band;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const QPointF point = toPoint(rows[k].generation, quartilesOf(rows[k], series).upper);
            k == 0 ? band.moveTo(point) : band.lineTo(point);
        }
        for (std::size_t k = rows.size(); k-- > 0;)
            band.lineTo(toPoint(rows[k].generation, quartilesOf(rows[k], series).lower));
        painter.setPen(rows.size() == 1 ? QPen(bandColor(series), 6) : QPen(Qt::NoPen));
        painter.setBrush(bandColor(series));
        painter.drawPath(band);
    }
    for (FitnessSeries series : {best, average}) {
        if (rows.size() == 1) {
            // A single generation has no line to draw: mark its point.
            painter.setPen(Qt::NoPen);
            painter.setBrush(fitnessSeriesColor(series));
            painter.drawEllipse(
                toPoint(rows.front().generation, quartilesOf(rows.front(), series).median), 4, 4);
            continue;
        }
        QPainterPath median;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const QPointF point = toPoint(rows[k].generation, quartilesOf(rows[k], series).median);
            k == 0 ? median.moveTo(point) : median.lineTo(point);
        }
        painter.setPen(fitnessSeriesPen(series));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(median);
    }
    painter.restore();
}

} // namespace

QImage drawSummaryPlot(const std::vector<SummaryRow>& rows, const QString& title)
{
    QImage image(fitnessPlotWidth, fitnessPlotHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    beginChart(painter, fitnessPlotWidth, title);
    drawLegend(painter, 48);

    const double last = rows.empty() ? 1 : rows.back().generation;
    const ChartAxis xAxis = niceAxis(1, last, 10, 1.0);
    drawPanel(painter, fitnessPanelArea(1), rows, xAxis, FitnessSeries::average1,
              FitnessSeries::best1, QStringLiteral("population 1"), false);
    drawPanel(painter, fitnessPanelArea(2), rows, xAxis, FitnessSeries::average2,
              FitnessSeries::best2, QStringLiteral("population 2"), true);

    drawGenerationAxisName(
        painter, QStringLiteral("generation  (lines: median over the seeds; bands: first to "
                                "third quartile)"));
    painter.end();
    return image;
}
