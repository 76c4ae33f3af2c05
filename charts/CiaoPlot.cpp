#include "charts/CiaoPlot.h"

#include "analysis/ChampionGrid.h"
#include "charts/ChartStyle.h"
#include "charts/FitnessPlot.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace
{

constexpr int panelSize = 420;
constexpr int panelTop = 96;
constexpr int barGap = 18;
constexpr int barWidth = 16;
const QColor emptyColor(0xfa, 0xfa, 0xfa);

QRect panelArea(int population)
{
    return QRect(population == 1 ? 96 : 716, panelTop, panelSize, panelSize);
}

// Light for low scores, the population's colour in the middle, dark for high.
QColor rampColor(const QColor& base, double t)
{
    const QColor low(0xf4, 0xf4, 0xf0);
    const QColor high = base.darker(260);
    const QColor& from = t < 0.5 ? low : base;
    const QColor& to = t < 0.5 ? base : high;
    const double u = t < 0.5 ? t * 2 : (t - 0.5) * 2;
    auto mix = [u](int a, int b) { return static_cast<int>(a + (b - a) * u + 0.5); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

struct Triangle {
    int population = 1;
    QString rowName;
    QString columnName;
};

// Score of row generation `row` against column generation `column`.
float cellScore(const ChampionGrid& grid, int population, int row, int column)
{
    return population == 1 ? grid.at(row, column).score1 : grid.at(column, row).score2;
}

void drawColourBar(QPainter& painter, const QRect& bar, const QColor& base, double low, double high)
{
    QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
    for (int k = 0; k <= 10; ++k)
        gradient.setColorAt(k / 10.0, rampColor(base, k / 10.0));
    painter.fillRect(bar, gradient);
    painter.setPen(chartAxisColor);
    painter.drawRect(bar);

    painter.setFont(chartFont(12));
    const QFontMetrics metrics(painter.font());
    const ChartAxis axis = niceAxis(low, high, 5, 0.0);
    // The bar spans the scores themselves, not the round numbers around them.
    const ChartScale scale{bar, {}, {low, high, axis.step}};
    const int ticks = static_cast<int>(std::lround((axis.high - axis.low) / axis.step));
    for (int k = 0; k <= ticks; ++k) {
        const double value = axis.low + k * axis.step;
        if (value < low - 1e-9 || value > high + 1e-9)
            continue;
        const double y = scale.toY(value);
        painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        painter.drawText(QRectF(bar.right() + 7, y - metrics.height() / 2.0, 80, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, tickLabel(value));
    }
    painter.drawText(QRect(bar.left() - 20, bar.top() - 22, 80, 18), Qt::AlignLeft,
                     QStringLiteral("score"));
}

void drawTriangle(QPainter& painter, const ChampionGrid& grid, const std::vector<int>& generations,
                  const Triangle& triangle)
{
    const QRect area = panelArea(triangle.population);
    const int count = static_cast<int>(generations.size());
    const double every = count > 1 ? generations[1] - generations[0] : 1.0;
    const double first = generations.front() - every / 2;
    const double last = generations.back() + every / 2;
    ChartAxis axis = niceAxis(first, last, 6, 1.0);
    // The axes end with the last generation, not at the next round number.
    axis.high = last;
    const ChartScale scale{area, axis, axis};
    drawPanelAxes(painter, scale, true, triangle.rowName);

    double low = 0.0;
    double high = 0.0;
    bool any = false;
    for (int row = 0; row < count; ++row)
        for (int column = 0; column <= row; ++column) {
            const double score = cellScore(grid, triangle.population, row, column);
            low = any ? std::min(low, score) : score;
            high = any ? std::max(high, score) : score;
            any = true;
        }
    if (!(high > low))
        high = low + 1.0;

    // One pixel per cell, rows upwards, then stretched without smoothing.
    const QColor base = triangle.population == 1 ? fitnessSeriesColor(FitnessSeries::average1)
                                                 : fitnessSeriesColor(FitnessSeries::average2);
    QImage cells(count, count, QImage::Format_ARGB32);
    cells.fill(Qt::transparent);
    for (int row = 0; row < count; ++row)
        for (int column = 0; column <= row; ++column) {
            const double t =
                (cellScore(grid, triangle.population, row, column) - low) / (high - low);
            cells.setPixelColor(column, count - 1 - row, rampColor(base, t));
        }
    const QRectF target(scale.toPoint(first, last), scale.toPoint(last, first));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(target, cells);
    painter.restore();

    painter.setFont(chartFont(13));
    painter.setPen(chartAxisColor);
    painter.drawText(QRect(area.left(), area.bottom() + 28, area.width(), 20), Qt::AlignCenter,
                     triangle.columnName);
    painter.setFont(chartFont(14, true));
    painter.drawText(
        QRect(area.left() - 40, area.top() - 30, area.width() + 80, 20), Qt::AlignCenter,
        QStringLiteral("population %1 against ancestral opponents").arg(triangle.population));
    drawColourBar(painter, QRect(area.right() + barGap, area.top(), barWidth, area.height()), base,
                  low, high);
}

} // namespace

QImage drawCiaoPlot(const ChampionGrid& grid, const std::vector<int>& generations,
                    const QString& title)
{
    QImage image(ciaoPlotWidth, ciaoPlotHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    beginChart(painter, ciaoPlotWidth, title);
    if (!generations.empty()) {
        drawTriangle(painter, grid, generations,
                     {1, QStringLiteral("population 1 champion's generation"),
                      QStringLiteral("population 2 opponent's generation")});
        drawTriangle(painter, grid, generations,
                     {2, QStringLiteral("population 2 champion's generation"),
                      QStringLiteral("population 1 opponent's generation")});
    }
    painter.end();
    return image;
}
