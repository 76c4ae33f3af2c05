#include "charts/ChartStyle.h"

#include "board/SpeciesColours.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int panelGap = 38;
// Between a wrapped legend and the panels below it.
constexpr int legendPanelGap = 18;
constexpr int legendSwatch = 30;
constexpr int legendGap = 8;
constexpr int legendSpacing = 28;
constexpr int legendRowGap = 6;
constexpr int legendSideMargin = 32;
// How wide a piece of a long smoothed line is drawn at a time, in device
// pixels (see drawSeriesLine).
constexpr double pieceColumns = 32;

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

// Entries first to end - 1 of a legend, `width` pixels wide in all.
struct LegendRow {
    std::size_t first = 0;
    std::size_t end = 0;
    int width = 0;
};

std::vector<LegendRow> legendRows(const std::vector<LegendEntry>& entries,
                                  const QFontMetrics& metrics, int chartWidth)
{
    std::vector<LegendRow> rows;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const int width = legendSwatch + legendGap + metrics.horizontalAdvance(entries[k].name);
        if (!rows.empty() &&
            rows.back().width + legendSpacing + width <= chartWidth - 2 * legendSideMargin) {
            rows.back().end = k + 1;
            rows.back().width += legendSpacing + width;
        } else {
            rows.push_back({k, k + 1, width});
        }
    }
    return rows;
}

} // namespace

int twoPanelTop(const QRect& chart, int legendEnd)
{
    return std::max(twoPanelTopMargin, legendEnd - chart.top() + legendPanelGap);
}

QRect twoPanelArea(const QRect& chart, int panel, int top, int bottom)
{
    const int height = std::max(0, (chart.height() - top - bottom - panelGap) / 2);
    const int panelTop = chart.top() + top + (panel == 1 ? 0 : height + panelGap);
    return QRect(chart.left() + chartLeftMargin, panelTop,
                 std::max(0, chart.width() - chartLeftMargin - chartRightMargin), height);
}

void drawGenerationAxisName(QPainter& painter, const QRect& chart, const QString& name)
{
    painter.setFont(chartFont(13));
    painter.setPen(chartAxisColor);
    const QRect bottomArea = twoPanelArea(chart, 2);
    drawFittedText(
        painter,
        QRect(bottomArea.left(), chart.top() + chart.height() - 24, bottomArea.width(), 20),
        Qt::AlignCenter, name);
}

ChartAxis niceAxis(double low, double high, int wantedTicks, double smallestStep)
{
    if (!(high > low))
        high = low + std::max(smallestStep, 1.0);
    ChartAxis axis;
    axis.step = std::max(niceStep(high - low, wantedTicks), smallestStep);
    axis.low = std::floor(low / axis.step) * axis.step;
    axis.high = std::ceil(high / axis.step) * axis.step;
    return axis;
}

ChartAxis exactAxis(double low, double high, int wantedTicks, double smallestStep)
{
    if (!(high > low))
        high = low + std::max(smallestStep, 1.0);
    return {low, high, std::max(niceStep(high - low, wantedTicks), smallestStep), 0.0};
}

std::vector<double> axisTicks(const ChartAxis& axis)
{
    const double origin = std::isnan(axis.tickOrigin) ? axis.low : axis.tickOrigin;
    const double low = std::isnan(axis.tickLow) ? axis.low : std::max(axis.low, axis.tickLow);
    const double high = std::isnan(axis.tickHigh) ? axis.high : std::min(axis.high, axis.tickHigh);
    // A little slack takes in the ends a rounding error leaves just outside.
    const double slack = axis.step * 1e-9;
    const double first = std::ceil((low - origin - slack) / axis.step);
    const double last = std::floor((high - origin + slack) / axis.step);
    std::vector<double> ticks;
    for (double k = first; k <= last && ticks.size() < 1000; ++k)
        ticks.push_back(std::clamp(origin + k * axis.step, low, high));
    return ticks;
}

int ticksFor(int pixels, int pixelsPerTick)
{
    return std::max(2, pixels / std::max(1, pixelsPerTick));
}

QString tickLabel(double value)
{
    // Ten digits hide the binary noise of multiples such as 3 x 0.1.
    return QString::number(std::abs(value) < 1e-12 ? 0.0 : value, 'g', 10);
}

QFont chartFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

double ChartScale::toX(double value) const
{
    return area.left() + (value - xAxis.low) / (xAxis.high - xAxis.low) * area.width();
}

double ChartScale::toY(double value) const
{
    return area.bottom() - (value - yAxis.low) / (yAxis.high - yAxis.low) * area.height();
}

double ChartScale::fromX(double pixel) const
{
    return xAxis.low + (pixel - area.left()) / area.width() * (xAxis.high - xAxis.low);
}

double ChartScale::fromY(double pixel) const
{
    return yAxis.low + (area.bottom() - pixel) / area.height() * (yAxis.high - yAxis.low);
}

void beginChart(QPainter& painter, const QRect& chart, const QString& title)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(chartFont(18, true));
    painter.setPen(chartTitleColor);
    painter.drawText(QRect(chart.left(), chart.top() + 12, chart.width(), 28), Qt::AlignCenter,
                     title);
}

void drawSubtitle(QPainter& painter, const QRect& chart, const QString& text)
{
    painter.setFont(chartFont(13));
    painter.setPen(chartAxisColor);
    drawFittedText(painter, QRect(chart.left(), chart.top() + 46, chart.width(), 20),
                   Qt::AlignCenter, text);
}

void drawFittedText(QPainter& painter, const QRect& rect, int flags, const QString& text)
{
    painter.drawText(rect, flags,
                     QFontMetrics(painter.font()).elidedText(text, Qt::ElideRight, rect.width()));
}

void drawFittedText(QPainter& painter, const QRect& rect, int flags, const QStringList& wordings)
{
    const QFontMetrics metrics(painter.font());
    for (const QString& wording : wordings)
        if (metrics.horizontalAdvance(wording) <= rect.width()) {
            painter.drawText(rect, flags, wording);
            return;
        }
    drawFittedText(painter, rect, flags, wordings.isEmpty() ? QString() : wordings.last());
}

void drawPanelAxes(QPainter& painter, const ChartScale& scale, bool labelX, const QString& name)
{
    const QRect& area = scale.area;
    const ChartAxis& xAxis = scale.xAxis;
    const ChartAxis& yAxis = scale.yAxis;

    painter.setFont(chartFont(12));
    const QFontMetrics tickMetrics(painter.font());
    // A label that would run into the one before it is left out.
    double labelEnd = -1e9;
    for (const double value : axisTicks(xAxis)) {
        const double x = scale.toX(value);
        painter.setPen(QPen(chartGridColor, 1));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(chartAxisColor);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        const QString label = tickLabel(value);
        const double half = tickMetrics.horizontalAdvance(label) / 2.0 + 1;
        if (labelX && x - half >= labelEnd) {
            painter.drawText(QRectF(x - half, area.bottom() + 5, 2 * half, tickMetrics.height()),
                             Qt::AlignHCenter | Qt::AlignTop, label);
            labelEnd = x + half + 8;
        }
    }
    double labelTop = 1e9;
    for (const double value : axisTicks(yAxis)) {
        const double y = scale.toY(value);
        painter.setPen(QPen(chartGridColor, 1));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(chartAxisColor);
        painter.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
        // The label at the top stays below the panel's edge, clear of a
        // heading above it.
        const double top = std::max(y - tickMetrics.height() / 2.0, area.top() - 2.0);
        if (top + tickMetrics.height() <= labelTop) {
            painter.drawText(QRectF(area.left() - 92, top, 84, tickMetrics.height()),
                             Qt::AlignRight | Qt::AlignVCenter, tickLabel(value));
            labelTop = top - 2;
        }
    }

    painter.setPen(QPen(chartAxisColor, 1.2));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());

    if (name.isEmpty())
        return;
    painter.setFont(chartFont(13));
    painter.save();
    painter.translate(area.left() - 64, area.center().y());
    painter.rotate(-90);
    drawFittedText(painter, QRect(-area.height() / 2 - 20, -10, area.height() + 40, 20),
                   Qt::AlignCenter, name);
    painter.restore();
}

namespace
{

// The points a line through `points` needs on a device of pixels: of each
// run of points within one pixel column, its first, its highest, its lowest
// and its last, in their order, so that every column spans the heights it
// spanned (a wide pen's smoothed edges may shift by a shade). A long series
// then costs the stroker a few points a column instead of all of them. Under
// a turning or shearing transform columns are not upright, and every point
// stays.
QVector<QPointF> seriesPointsByColumn(const QVector<QPointF>& points, const QTransform& device)
{
    if (device.type() > QTransform::TxScale || points.size() <= 4)
        return points;
    QVector<QPointF> kept;
    kept.reserve(points.size());
    qsizetype runStart = 0;
    const auto keepRun = [&](qsizetype end) {
        qsizetype highest = runStart;
        qsizetype lowest = runStart;
        for (qsizetype k = runStart + 1; k < end; ++k) {
            if (points[k].y() < points[highest].y())
                highest = k;
            if (points[k].y() > points[lowest].y())
                lowest = k;
        }
        const qsizetype inOrder[] = {runStart, std::min(highest, lowest),
                                     std::max(highest, lowest), end - 1};
        for (qsizetype k = 0; k < 4; ++k)
            if (k == 0 || inOrder[k] != inOrder[k - 1])
                kept.append(points[inOrder[k]]);
    };
    const auto columnOf = [&device](const QPointF& point) {
        return std::floor(point.x() * device.m11() + device.dx());
    };
    double column = columnOf(points.front());
    for (qsizetype k = 1; k < points.size(); ++k) {
        const double next = columnOf(points[k]);
        if (next != column) {
            keepRun(k);
            runStart = k;
            column = next;
        }
    }
    keepRun(points.size());
    return kept;
}

// `points` without those inside a level stretch going right: the line
// through what is left is the same line, a dashed one dashed the same way.
QVector<QPointF> levelStretchesJoined(const QVector<QPointF>& points)
{
    QVector<QPointF> kept;
    kept.reserve(points.size());
    for (qsizetype k = 0; k < points.size(); ++k) {
        const bool inside = !kept.isEmpty() && k + 1 < points.size() &&
                            kept.back().y() == points[k].y() &&
                            points[k + 1].y() == points[k].y() &&
                            kept.back().x() <= points[k].x() && points[k].x() <= points[k + 1].x();
        if (!inside)
            kept.append(points[k]);
    }
    return kept;
}

} // namespace

void drawSeriesLine(QPainter& painter, const QVector<QPointF>& points, const QPen& pen)
{
    if (points.size() == 1) {
        // A single generation has no line to draw: mark its point.
        painter.setPen(Qt::NoPen);
        painter.setBrush(pen.color());
        painter.drawEllipse(points.front(), 4, 4);
        return;
    }
    // A dashed line's dashes run along its length, which thinning would
    // change: it loses only the points inside a straight level stretch. A
    // vector file keeps every point, for whoever zooms into it.
    const bool pixels = painter.paintEngine() != nullptr &&
                        painter.paintEngine()->type() == QPaintEngine::Raster;
    const QVector<QPointF> drawn =
        pen.style() != Qt::SolidLine ? levelStretchesJoined(points)
        : pixels                     ? seriesPointsByColumn(points, painter.deviceTransform())
                                     : points;
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (drawn.isEmpty())
        return;
    // The raster engine smooths a wide line by filling its outline, and
    // finds each cell of a scan line by walking that line's cells from the
    // left: a line that wanders up and down across the whole width crosses
    // each scan line of its band hundreds of times, and each crossing walks
    // past all the others. Pieces a few dozen columns wide keep those walks
    // short. A round pen meets itself at each join in the same round disc
    // either way, so only the smoothed edge pixels where two pieces meet may
    // differ by a shade; a dashed pen, whose dashes run on across the joins,
    // is drawn whole.
    const bool inPieces = pixels && pen.style() == Qt::SolidLine &&
                          pen.capStyle() == Qt::RoundCap && pen.joinStyle() == Qt::RoundJoin;
    const QTransform& device = painter.deviceTransform();
    qsizetype start = 0;
    double startColumn = device.map(drawn.front()).x();
    for (qsizetype k = 1; k < drawn.size(); ++k) {
        const double column = device.map(drawn[k]).x();
        if (k + 1 < drawn.size() && (!inPieces || column - startColumn < pieceColumns))
            continue;
        QPainterPath piece(drawn[start]);
        for (qsizetype j = start + 1; j <= k; ++j)
            piece.lineTo(drawn[j]);
        painter.drawPath(piece);
        start = k;
        startColumn = column;
    }
}

int drawLegend(QPainter& painter, const std::vector<LegendEntry>& entries, const QRect& chart)
{
    painter.setFont(chartFont(13));
    const QFontMetrics metrics(painter.font());
    int rowTop = chart.top() + chartLegendTop;
    for (const LegendRow& row : legendRows(entries, metrics, chart.width())) {
        int x = chart.left() + (chart.width() - row.width) / 2;
        const int y = rowTop + metrics.height() / 2;
        for (std::size_t k = row.first; k < row.end; ++k) {
            const LegendEntry& entry = entries[k];
            if (entry.band.isValid())
                painter.fillRect(QRectF(x, y - 6, legendSwatch, 12), entry.band);
            painter.setPen(entry.pen);
            painter.drawLine(QPointF(x, y), QPointF(x + legendSwatch, y));
            x += legendSwatch + legendGap;
            painter.setPen(chartAxisColor);
            painter.drawText(
                QRect(x, rowTop, metrics.horizontalAdvance(entry.name) + 2, metrics.height()),
                Qt::AlignLeft | Qt::AlignVCenter, entry.name);
            x += metrics.horizontalAdvance(entry.name) + legendSpacing;
        }
        rowTop += metrics.height() + legendRowGap;
    }
    return chart.top() + chartLegendTop + legendRowsHeight(entries, chart.width());
}

int legendRowsHeight(const std::vector<LegendEntry>& entries, int width)
{
    const QFontMetrics metrics(chartFont(13));
    const std::size_t rows = legendRows(entries, metrics, width).size();
    return rows == 0 ? 0
                     : static_cast<int>(rows) * (metrics.height() + legendRowGap) - legendRowGap;
}

QColor speciesColor(int population)
{
    return QColor(QRgb(population == 1 ? firstSpeciesRgb : secondSpeciesRgb));
}

QColor conditionColor(int index)
{
    // Okabe and Ito's colours, told apart with every kind of colour vision,
    // but for their yellow, too pale on white.
    constexpr QRgb palette[] = {0x0072b2, 0xd55e00, 0x009e73, 0xcc79a7,
                                0xe69f00, 0x56b4e9, 0x000000};
    constexpr int count = sizeof palette / sizeof palette[0];
    return QColor(palette[(index % count + count) % count]);
}

QString runsReaching(long long reaching, long long runs, const QString& what)
{
    return QStringLiteral("%1 of %2 %3 %4 %5")
        .arg(reaching)
        .arg(runs)
        .arg(runs == 1 ? QStringLiteral("run") : QStringLiteral("runs"),
             reaching == 1 ? QStringLiteral("reaches") : QStringLiteral("reach"), what);
}
