#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <limits>
#include <vector>

class QPainter;

// What the charts share: their look, their layout, their axes, how values
// become pixels, their legend and how they are saved.

inline const QColor chartAxisColor(0x44, 0x44, 0x44);
inline const QColor chartGridColor(0xe4, 0xe4, 0xe4);
inline const QColor chartTitleColor(0x22, 0x22, 0x22);

// Room left of a panel for its tick labels and value axis name, and right of
// it, in every chart.
constexpr int chartLeftMargin = 84;
constexpr int chartRightMargin = 32;
// Where a legend's first row starts, below the title.
constexpr int chartLegendTop = 48;

// The layout of the charts with two panels, one above the other, over one
// generation axis (the fitness plot, the master tournament, the summary):
// title and legend above the panels, the axis name below them. Their images
// have this size; painted anywhere else, the panels fill the room given.
constexpr int twoPanelChartWidth = 960;
constexpr int twoPanelChartHeight = 540;
// Room above the panels for the title and a row of legend, and below them for
// the generations and the axis name.
constexpr int twoPanelTopMargin = 84;
constexpr int twoPanelBottomMargin = 58;
// The room above a two-panel chart's panels for its title and a legend ending
// at `legendEnd`: twoPanelTopMargin, or more when the legend wrapped.
int twoPanelTop(const QRect& chart, int legendEnd);
// Panel 1 above, panel 2 below, in `chart` less `top` rows above them and
// `bottom` below; tick labels and names lie outside them.
QRect twoPanelArea(const QRect& chart, int panel, int top = twoPanelTopMargin,
                   int bottom = twoPanelBottomMargin);
// `name` centred below the lower panel, at the foot of `chart`.
void drawGenerationAxisName(QPainter& painter, const QRect& chart, const QString& name);

// An axis from `low` to `high` in steps of 1, 2 or 5 times a power of ten,
// its ticks at `tickOrigin` plus whole steps (NaN: from `low`) within it, or
// within [tickLow, tickHigh] where those are set.
struct ChartAxis {
    double low = 0.0;
    double high = 1.0;
    double step = 1.0;
    double tickOrigin = std::numeric_limits<double>::quiet_NaN();
    double tickLow = std::numeric_limits<double>::quiet_NaN();
    double tickHigh = std::numeric_limits<double>::quiet_NaN();
};

// An axis from round numbers around `low` and `high`.
ChartAxis niceAxis(double low, double high, int wantedTicks, double smallestStep);
// An axis from `low` to `high` exactly, its ticks on the round numbers
// within: an axis that spans what is drawn, no more.
ChartAxis exactAxis(double low, double high, int wantedTicks, double smallestStep);
// The values of the axis' ticks, in order, each within [low, high].
std::vector<double> axisTicks(const ChartAxis& axis);
// How many ticks `pixels` of axis hold at one every `pixelsPerTick`, two at
// least: the tick density follows the room.
int ticksFor(int pixels, int pixelsPerTick);
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

// Where a painted chart put its panels, in the painter's coordinates, each
// with the scale its values were drawn on.
struct ChartLayout {
    std::vector<ChartScale> panels;
};

// Turns on smooth lines and text and draws `title` centred at the top of
// `chart`.
void beginChart(QPainter& painter, const QRect& chart, const QString& title);
// A line in smaller type under the title, saying what the chart shows; the
// painter keeps its type and colour.
void drawSubtitle(QPainter& painter, const QRect& chart, const QString& text);

// `text` in `rect`, ended with an ellipsis where the painter's font makes it
// wider than `rect`: a chart painted small shortens its labels rather than
// cut them off.
void drawFittedText(QPainter& painter, const QRect& rect, int flags, const QString& text);
// The first of `wordings`, longest first, that fits the rect's width; the
// last elided when none does.
void drawFittedText(QPainter& painter, const QRect& rect, int flags, const QStringList& wordings);

// Grid lines and ticks of both axes over the scale's area, the vertical axis
// labelled on the left, the horizontal one below when `labelX`, the two axis
// lines, and `name`, unless empty, turned along the left edge. Labels that
// would run into each other are left out.
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

// The entries in rows centred in `chart` from chartLegendTop down, a row
// taking as many entries as fit in it; returns where the rows end.
int drawLegend(QPainter& painter, const std::vector<LegendEntry>& entries, const QRect& chart);
// How far down those rows reach from their top in a chart `width` pixels wide.
int legendRowsHeight(const std::vector<LegendEntry>& entries, int width);

// Each population in its sprite colour.
QColor speciesColor(int population);

// The colour of the condition `index` (0 the control) in the charts that
// compare conditions; after the last colour they repeat.
QColor conditionColor(int index);

// "K of N runs reach WHAT" ("1 of N runs reaches", "K of 1 run"), what a
// chart of several runs says of a generation.
QString runsReaching(long long reaching, long long runs, const QString& what);
