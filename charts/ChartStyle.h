#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

// What the charts share: their look, their axes and how they are saved.

inline const QColor chartAxisColor(0x44, 0x44, 0x44);
inline const QColor chartGridColor(0xe4, 0xe4, 0xe4);
inline const QColor chartTitleColor(0x22, 0x22, 0x22);

// An axis from `low` to `high` in steps of 1, 2 or 5 times a power of ten.
struct ChartAxis {
    double low = 0.0;
    double high = 1.0;
    double step = 1.0;
};

ChartAxis niceAxis(double low, double high, int wantedTicks, double smallestStep);
QString tickLabel(double value);
QFont chartFont(int pixels, bool bold = false);

// Turns on smooth lines and text and draws `title` centred at the top of a
// chart `width` pixels wide.
void beginChart(QPainter& painter, int width, const QString& title);

// Grid lines and ticks of both axes over `area`, the value axis labelled on
// the left, the horizontal one below when `labelX`, the two axis lines, and
// `name` turned along the left edge.
void drawPanelAxes(QPainter& painter, const QRect& area, const ChartAxis& xAxis,
                   const ChartAxis& yAxis, bool labelX, const QString& name);

// The image encoded as PNG.
QByteArray pngBytes(const QImage& image);
// The image as a PNG written atomically; an error message or an empty string.
QString savePng(const QString& path, const QImage& image);
