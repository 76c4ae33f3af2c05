#include "experiments/FitnessPlot.h"

#include "experiments/AtomicFile.h"
#include "view/SpriteTiles.h"

#include <QBuffer>
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

const QColor axisColor(0x44, 0x44, 0x44);
const QColor gridColor(0xe4, 0xe4, 0xe4);

// An axis from `low` to `high` in steps of 1, 2 or 5 times a power of ten.
struct Axis {
    double low = 0.0;
    double high = 1.0;
    double step = 1.0;
};

double niceStep(double span, int wantedTicks)
{
    const double raw = span / wantedTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / magnitude;
    const double nice = fraction <= 1.0   ? 1.0
                        : fraction <= 2.0 ? 2.0
                        : fraction <= 5.0 ? 5.0
                                          : 10.0;
    return nice * magnitude;
}

Axis niceAxis(double low, double high, int wantedTicks, double smallestStep)
{
    if (!(high > low))
        high = low + std::max(smallestStep, 1.0);
    Axis axis;
    axis.step = std::max(niceStep(high - low, wantedTicks), smallestStep);
    axis.low = std::floor(low / axis.step) * axis.step;
    axis.high = std::ceil(high / axis.step) * axis.step;
    return axis;
}

QString tickLabel(double value)
{
    // Ten digits hide the binary noise of multiples such as 3 x 0.1.
    return QString::number(std::abs(value) < 1e-12 ? 0.0 : value, 'g', 10);
}

double valueOf(const GenerationRecord& record, FitnessSeries series)
{
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

QPen seriesPen(FitnessSeries series)
{
    QPen pen(fitnessSeriesColor(series), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (series == FitnessSeries::best1 || series == FitnessSeries::best2) {
        pen.setStyle(Qt::DashLine);
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

QString seriesName(FitnessSeries series)
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

constexpr FitnessSeries allSeries[] = {FitnessSeries::average1, FitnessSeries::best1,
                                       FitnessSeries::average2, FitnessSeries::best2};

QFont fontOfSize(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void drawLegend(QPainter& painter, int top)
{
    painter.setFont(fontOfSize(13));
    const QFontMetrics metrics(painter.font());
    constexpr int swatch = 30;
    constexpr int gap = 8;
    constexpr int spacing = 28;
    int total = 0;
    for (FitnessSeries series : allSeries)
        total += swatch + gap + metrics.horizontalAdvance(seriesName(series)) + spacing;
    total -= spacing;

    int x = (fitnessPlotWidth - total) / 2;
    const int y = top + metrics.height() / 2;
    for (FitnessSeries series : allSeries) {
        painter.setPen(seriesPen(series));
        painter.drawLine(QPointF(x, y), QPointF(x + swatch, y));
        x += swatch + gap;
        painter.setPen(axisColor);
        const QString name = seriesName(series);
        painter.drawText(QRect(x, top, metrics.horizontalAdvance(name) + 2, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, name);
        x += metrics.horizontalAdvance(name) + spacing;
    }
}

void drawPanel(QPainter& painter, const QRect& area, const QVector<GenerationRecord>& records,
               const Axis& xAxis, FitnessSeries average, FitnessSeries best, const QString& name,
               bool labelGenerations)
{
    double highest = 0.0;
    for (const GenerationRecord& record : records)
        highest = std::max({highest, valueOf(record, average), valueOf(record, best)});
    const Axis yAxis = niceAxis(0.0, highest, 4, 0.0);

    auto toX = [&](double generation) {
        return area.left() + (generation - xAxis.low) / (xAxis.high - xAxis.low) * area.width();
    };
    auto toY = [&](double value) {
        return area.bottom() - (value - yAxis.low) / (yAxis.high - yAxis.low) * area.height();
    };

    painter.setFont(fontOfSize(12));
    const QFontMetrics tickMetrics(painter.font());
    const int xTicks = static_cast<int>(std::lround((xAxis.high - xAxis.low) / xAxis.step));
    for (int k = 0; k <= xTicks; ++k) {
        const double generation = xAxis.low + k * xAxis.step;
        const double x = toX(generation);
        painter.setPen(QPen(gridColor, 1));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(axisColor);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        if (labelGenerations)
            painter.drawText(QRectF(x - 40, area.bottom() + 6, 80, tickMetrics.height()),
                             Qt::AlignHCenter | Qt::AlignTop, tickLabel(generation));
    }
    const int yTicks = static_cast<int>(std::lround((yAxis.high - yAxis.low) / yAxis.step));
    for (int k = 0; k <= yTicks; ++k) {
        const double value = yAxis.low + k * yAxis.step;
        const double y = toY(value);
        painter.setPen(QPen(gridColor, 1));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(axisColor);
        painter.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
        painter.drawText(
            QRectF(0, y - tickMetrics.height() / 2.0, area.left() - 8, tickMetrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, tickLabel(value));
    }

    painter.setPen(QPen(axisColor, 1.2));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());

    painter.setFont(fontOfSize(13));
    painter.save();
    painter.translate(20, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-area.height() / 2 - 20, -10, area.height() + 40, 20), Qt::AlignCenter,
                     name + QStringLiteral(" score"));
    painter.restore();

    // The best-so-far first, so the noisier average stays on top.
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    for (FitnessSeries series : {best, average}) {
        const QPen pen = seriesPen(series);
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

QColor fitnessSeriesColor(FitnessSeries series)
{
    // Shades are snapped to 8-bit RGB, so the colour returned is the colour
    // drawn.
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
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const double firstGeneration = records.isEmpty() ? 0 : records.front().generation;
    const double lastGeneration = records.isEmpty() ? 1 : records.back().generation;
    const Axis xAxis = niceAxis(firstGeneration, lastGeneration, 10, 1.0);

    painter.setFont(fontOfSize(18, true));
    painter.setPen(QColor(0x22, 0x22, 0x22));
    painter.drawText(QRect(0, 12, fitnessPlotWidth, 28), Qt::AlignCenter, title);
    drawLegend(painter, 48);

    // The populations score in different units (population 1 weights its
    // cells by contacts), so each gets a panel and a value axis of its own
    // over the shared generation axis.
    drawPanel(painter, fitnessPanelArea(1), records, xAxis, FitnessSeries::average1,
              FitnessSeries::best1, QStringLiteral("population 1"), false);
    drawPanel(painter, fitnessPanelArea(2), records, xAxis, FitnessSeries::average2,
              FitnessSeries::best2, QStringLiteral("population 2"), true);

    painter.setFont(fontOfSize(13));
    painter.setPen(axisColor);
    const QRect bottomArea = fitnessPanelArea(2);
    painter.drawText(QRect(bottomArea.left(), fitnessPlotHeight - 24, bottomArea.width(), 20),
                     Qt::AlignCenter, QStringLiteral("generation"));
    painter.end();
    return image;
}

QString saveFitnessPlot(const QString& path, const QVector<GenerationRecord>& records,
                        const QString& title)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!drawFitnessPlot(records, title).save(&buffer, "PNG"))
        return QStringLiteral("cannot encode the plot %1 as PNG").arg(path);
    return writeFileAtomically(path, bytes);
}
