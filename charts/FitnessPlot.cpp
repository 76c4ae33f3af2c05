#include "charts/FitnessPlot.h"

#include "board/SpeciesColours.h"
#include "charts/ChartStyle.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int leftMargin = 84;
constexpr int rightMargin = 32;
constexpr int topMargin = 84;
constexpr int panelHeight = 180;
constexpr int panelGap = 38;

double valueOf(const GenerationRecord& record, FitnessSeries series)
{
    const QColor firstSpeciesColor{QRgb(firstSpeciesRgb)};
    const QColor secondSpeciesColor{QRgb(secondSpeciesRgb)};
    switch (series) {
    case FitnessSeries::average1:
        return record.average1;
    case FitnessSeries::best1:
        return record.best1;
    case FitnessSeries::average2:
        return record.average2;
    case FitnessSeries::best2:
        return record.best2;
    }
    return 0.0;
}

constexpr FitnessSeries allSeries[] = {FitnessSeries::average1, FitnessSeries::best1,
                                       FitnessSeries::average2, FitnessSeries::best2};

void drawLegend(QPainter& painter, int top)
{
    painter.setFont(chartFont(13));
    const QFontMetrics metrics(painter.font());
    constexpr int swatch = 30;
    constexpr int gap = 8;
    constexpr int spacing = 28;
    int total = 0;
    for (FitnessSeries series : allSeries)
        total += swatch + gap + metrics.horizontalAdvance(fitnessSeriesName(series)) + spacing;
    total -= spacing;

    int x = (fitnessPlotWidth - total) / 2;
    const int y = top + metrics.height() / 2;
    for (FitnessSeries series : allSeries) {
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

void drawPanel(QPainter& painter, const QRect& area, const QVector<GenerationRecord>& records,
               const ChartAxis& xAxis, FitnessSeries average, FitnessSeries best,
               const QString& name, bool labelGenerations)
{
    double highest = 0.0;
    for (const GenerationRecord& record : records)
        highest = std::max({highest, valueOf(record, average), valueOf(record, best)});
    const ChartAxis yAxis = niceAxis(0.0, highest, 4, 0.0);

    auto toX = [&](double generation) {
        return area.left() + (generation - xAxis.low) / (xAxis.high - xAxis.low) * area.width();
    };
    auto toY = [&](double value) {
        return area.bottom() - (value - yAxis.low) / (yAxis.high - yAxis.low) * area.height();
    };

    drawPanelAxes(painter, area, xAxis, yAxis, labelGenerations, name + QStringLiteral(" score"));

    // The best-so-far first, so the noisier average stays on top.
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    for (FitnessSeries series : {best, average}) {
        const QPen pen = fitnessSeriesPen(series);
        if (records.size() == 1) {
            // A single generation has no line to draw: mark its point.
            painter.setPen(Qt::NoPen);
            painter.setBrush(pen.color());
            painter.drawEllipse(
                QPointF(toX(records.front().generation), toY(valueOf(records.front(), series))), 4,
                4);
            continue;
        }
        QPainterPath path;
        for (int k = 0; k < records.size(); ++k) {
            const QPointF point(toX(records[k].generation), toY(valueOf(records[k], series)));
            if (k == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.restore();
}

} // namespace

void drawGenerationAxisName(QPainter& painter, const QString& name)
{
    painter.setFont(chartFont(13));
    painter.setPen(chartAxisColor);
    const QRect bottomArea = fitnessPanelArea(2);
    painter.drawText(QRect(bottomArea.left(), fitnessPlotHeight - 24, bottomArea.width(), 20),
                     Qt::AlignCenter, name);
}

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
    const QColor firstSpeciesColor{QRgb(firstSpeciesRgb)};
    const QColor secondSpeciesColor{QRgb(secondSpeciesRgb)};
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

QRect fitnessPanelArea(int population)
{
    const int top = population == 1 ? topMargin : topMargin + panelHeight + panelGap;
    return QRect(leftMargin, top, fitnessPlotWidth - leftMargin - rightMargin, panelHeight);
}

QImage drawFitnessPlot(const QVector<GenerationRecord>& records, const QString& title)
{
    QImage image(fitnessPlotWidth, fitnessPlotHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    beginChart(painter, fitnessPlotWidth, title);

    const double firstGeneration = records.isEmpty() ? 0 : records.front().generation;
    const double lastGeneration = records.isEmpty() ? 1 : records.back().generation;
    const ChartAxis xAxis = niceAxis(firstGeneration, lastGeneration, 10, 1.0);

    drawLegend(painter, 48);

    // The populations score in different units (population 1 weights its
    // cells by contacts), so each gets a panel and a value axis of its own
    // over the shared generation axis.
    drawPanel(painter, fitnessPanelArea(1), records, xAxis, FitnessSeries::average1,
              FitnessSeries::best1, QStringLiteral("population 1"), false);
    drawPanel(painter, fitnessPanelArea(2), records, xAxis, FitnessSeries::average2,
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
