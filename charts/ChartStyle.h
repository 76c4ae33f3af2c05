#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QVector>

#include <vector>

class QPainter;

// What the charts share: their look, their layout, their axes, how values
// become pixels, their legend and how they are saved.

inline const QColor chartAxisColor(0x44, 0x44, 0x44);
inline const QColor chartGridColor(0xe4, 0xe4, 0xe4);
inline const QColor chartTitleColor(0x22, 0x22, 0x22);

// The layout of the charts with two panels, one above the other, over one
// generation axis (the fitness plot, the master tournament, the summary):
// title and legend above the panels, the axis name below them.
constexpr int twoPanelChartWidth = 960;
constexpr int twoPanelChartHeight = 540;
// Panel 1 above, panel 2 below; tick labels and names lie outside them.
QRect twoPanelArea(int panel);
// `name` centred below the lower panel.
void drawGenerationAxisName(QPainter& painter, const QString& name);

// An axis from `low` to `high` in steps of 1, 2 or 5 times a power of ten.
struct ChartAxis {
    double low = 0.0;
    double high = 1.0;
    double step = 1.0;
};

ChartAxis niceAxis(double low, double high, int wantedTicks, double smallestStep);
QString tickLabel(double value);
QFont chartFont(int pixels, bool bold = false);

// Where values land in `area`: the horizontal axis runs from its left edge
// to its right, the vertical one from its bottom edge up.
struct ChartScale {
    QRect area;
    ChartAxis xAxis;
    ChartAxis yAxis;

    double toX(double value) const;
    double toY(double value) const;
    QPointF toPoint(double x, double y) const { return QPointF(toX(x), toY(y)); }
    // The values at a pixel: a pointer's place read back.
    double fromX(double pixel) const;
    double fromY(double pixel) const;
};

// Turns on smooth lines and text and draws `title` centred at the top of a
// chart `width` pixels wide.
void beginChart(QPainter& painter, int width, const QString& title);
// A line in smaller type under the title, saying what the chart shows; the
// painter keeps its type and colour.
void drawSubtitle(QPainter& painter, int width, const QString& text);

// Grid lines and ticks of both axes over the scale's area, the vertical axis
// labelled on the left, the horizontal one below when `labelX`, the two axis
// lines, and `name` turned along the left edge.
void drawPanelAxes(QPainter& painter, const ChartScale& scale, bool labelX, const QString& name);

// A series as a line through `points` in `pen`, or as a dot of its colour
// when it has a single point.
void drawSeriesLine(QPainter& painter, const QVector<QPointF>& points, const QPen& pen);

// A series in a legend: a stretch of its line, over a band of `band` when
// that colour is valid, then its name.
struct LegendEntry {
    QString name;
    QPen pen;
    QColor band;
};

// The entries in one row centred above the panels of a two-panel chart.
void drawLegend(QPainter& painter, const std::vector<LegendEntry>& entries);
// The entries in rows centred in a chart `width` pixels wide from `top` down,
// a row taking as many entries as fit in it.
void drawLegendRows(QPainter& painter, const std::vector<LegendEntry>& entries, int width, int top);
// How far down those rows reach from `top`.
int legendRowsHeight(const std::vector<LegendEntry>& entries, int width);

// The colour of the condition `index` (0 the control) in the charts that
// compare conditions; after the last colour they repeat.
QColor conditionColor(int index);

// The image encoded as PNG.
QByteArray pngBytes(const QImage& image);
// The image as a PNG written atomically; an error message or an empty string.
QString savePng(const QString& path, const QImage& image);
