#include "charts/CiaoPlot.h"

#include "analysis/ChampionGrid.h"
#include "analysis/SeedSummary.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// Room around each map: tick labels and axis name on the left, the colour
// bar and its labels on the right, the map's heading above, the generations
// and axis name below.
constexpr int mapLeftMargin = 96;
constexpr int mapRightMargin = 104;
constexpr int mapTopMargin = 96;
constexpr int mapBottomMargin = 84;
constexpr int barGap = 18;
constexpr int barWidth = 16;
// Below the map: the generations, the column axis' name, then the note on a
// clipped scale; below the bar, the hatching's swatch.
constexpr int columnNameTop = 28;
constexpr int clipNoteTop = 50;
constexpr int swatchTop = 24;
constexpr int swatchHeight = 12;

// Population `population`'s map in the left or right half of `chart`, as
// large a square as fits, centred in the room left for it.
QRect mapArea(const QRect& chart, int population)
{
    const int half = chart.width() / 2;
    const int size = std::max(0, std::min(half - mapLeftMargin - mapRightMargin,
                                          chart.height() - mapTopMargin - mapBottomMargin));
    const int left = chart.left() + (population - 1) * half + mapLeftMargin +
                     (half - mapLeftMargin - mapRightMargin - size) / 2;
    const int top =
        chart.top() + mapTopMargin + (chart.height() - mapTopMargin - mapBottomMargin - size) / 2;
    return QRect(left, top, size, size);
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

// White under ciaoUnplayedColor's hatching.
void hatch(QPainter& painter, const QRectF& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, Qt::white);
    painter.fillRect(rect, QBrush(ciaoUnplayedColor, Qt::BDiagPattern));
    painter.restore();
}

struct Triangle {
    int population = 1;
    QString rowName;
    QString columnName;
};

// Score of row generation `row` against column generation `column`; NaN
// while its match's row is still being played.
float cellScore(const ChampionGrid& grid, int population, int row, int column)
{
    const int i = population == 1 ? row : column;
    const int j = population == 1 ? column : row;
    if (!grid.holds(i, j))
        return std::numeric_limits<float>::quiet_NaN();
    return population == 1 ? grid.at(i, j).score1 : grid.at(i, j).score2;
}

void drawColourBar(QPainter& painter, const CiaoMap& map)
{
    const QRect& bar = map.colourBar;
    QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
    for (int k = 0; k <= 10; ++k)
        gradient.setColorAt(k / 10.0, rampColor(speciesColor(map.population), k / 10.0));
    painter.fillRect(bar, gradient);
    painter.setPen(chartAxisColor);
    painter.drawRect(bar);

    painter.setFont(chartFont(12));
    const QFontMetrics metrics(painter.font());
    const CiaoColourScale& colours = map.colours;
    const ChartAxis axis = niceAxis(colours.low, colours.high, 5, 0.0);
    // The bar spans the scale itself, not the round numbers around it.
    const ChartScale scale{bar, {}, {colours.low, colours.high, axis.step}};
    const int ticks = static_cast<int>(std::lround((axis.high - axis.low) / axis.step));
    for (int k = 0; k <= ticks; ++k) {
        const double value = axis.low + k * axis.step;
        if (value < colours.low - 1e-9 || value > colours.high + 1e-9)
            continue;
        const double y = scale.toY(value);
        painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        painter.drawText(QRectF(bar.right() + 7, y - metrics.height() / 2.0, 80, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, tickLabel(value));
    }
    painter.drawText(QRect(bar.left() - 20, bar.top() - 22, 80, 18), Qt::AlignLeft,
                     QStringLiteral("score"));

    const QRect swatch(bar.left(), bar.bottom() + swatchTop, bar.width(), swatchHeight);
    hatch(painter, swatch);
    painter.setPen(chartAxisColor);
    painter.drawRect(swatch);
    drawFittedText(painter,
                   QRect(swatch.right() + 6, swatch.center().y() - metrics.height() / 2,
                         mapRightMargin - barGap - barWidth - 6, metrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("not played"));
}

QString scoreText(double score)
{
    return QString::number(score, 'f', 1);
}

CiaoMap drawTriangle(QPainter& painter, const QRect& chart, const ChampionGrid& grid,
                     const std::vector<int>& generations, const Triangle& triangle,
                     CiaoColourRange range)
{
    CiaoMap map;
    map.population = triangle.population;
    map.generations = generations;
    const QRect area = mapArea(chart, triangle.population);
    const int count = static_cast<int>(generations.size());
    const double every = count > 1 ? generations[1] - generations[0] : 1.0;
    const double first = generations.front() - every / 2;
    const double last = generations.back() + every / 2;
    ChartAxis axis = niceAxis(first, last, 6, 1.0);
    // The axes end with the last generation, not at the next round number.
    axis.high = last;
    map.scale = ChartScale{area, axis, axis};
    drawPanelAxes(painter, map.scale, true, triangle.rowName);

    std::vector<double> all;
    for (int row = 0; row < count; ++row) {
        map.scores.emplace_back();
        for (int column = 0; column <= row; ++column) {
            const float score = cellScore(grid, triangle.population, row, column);
            map.scores.back().push_back(score);
            if (!std::isnan(score))
                all.push_back(score);
        }
    }
    map.colours = ciaoColourScale(all, range);

    // One pixel per cell, rows upwards, then stretched without smoothing.
    QImage cells(count, count, QImage::Format_ARGB32);
    cells.fill(Qt::transparent);
    for (int row = 0; row < count; ++row)
        for (int column = 0; column <= row; ++column)
            if (!std::isnan(map.scores[row][column]))
                cells.setPixelColor(column, count - 1 - row, map.colourOf(map.scores[row][column]));
    map.cells = QRectF(map.scale.toPoint(first, last), map.scale.toPoint(last, first));
    // The cells cover the hatching but in the empty triangle.
    hatch(painter, map.cells);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(map.cells, cells);
    painter.restore();

    painter.setFont(chartFont(13));
    painter.setPen(chartAxisColor);
    drawFittedText(painter, QRect(area.left(), area.bottom() + columnNameTop, area.width(), 20),
                   Qt::AlignCenter, triangle.columnName);
    if (map.colours.clipped()) {
        // As wide as the map's half of the chart, so that a small map keeps it.
        const int half = chart.width() / 2;
        painter.setFont(chartFont(12));
        drawFittedText(painter,
                       QRect(chart.left() + (triangle.population - 1) * half + 8,
                             area.bottom() + clipNoteTop, half - 16, 18),
                       Qt::AlignCenter,
                       QStringLiteral("colours clipped at the %1th percentile, %2; max %3")
                           .arg(std::lround(ciaoClipQuantile * 100))
                           .arg(scoreText(map.colours.high), scoreText(map.colours.highest)));
    }
    painter.setFont(chartFont(14, true));
    drawFittedText(
        painter, QRect(area.left() - 40, area.top() - 30, area.width() + 80, 20), Qt::AlignCenter,
        QStringLiteral("population %1 against ancestral opponents").arg(triangle.population));
    map.colourBar = QRect(area.right() + barGap, area.top(), barWidth, area.height());
    drawColourBar(painter, map);
    return map;
}

} // namespace

CiaoColourScale ciaoColourScale(const std::vector<double>& scores, CiaoColourRange range)
{
    CiaoColourScale scale;
    if (scores.empty())
        return scale;
    const auto [lowest, highest] = std::minmax_element(scores.begin(), scores.end());
    scale.low = *lowest;
    scale.highest = *highest;
    scale.high =
        range == CiaoColourRange::clipped ? quantileOf(scores, ciaoClipQuantile) : scale.highest;
    if (!(scale.high > scale.low))
        scale.high = scale.highest;
    // All alike: any span shows them in the bottom colour.
    if (!(scale.high > scale.low))
        scale.high = scale.low + 1.0;
    return scale;
}

QColor CiaoMap::colourOf(double score) const
{
    const double t = (score - colours.low) / (colours.high - colours.low);
    return rampColor(speciesColor(population), std::clamp(t, 0.0, 1.0));
}

QRectF CiaoMap::cellRect(int row, int column) const
{
    const double count = static_cast<double>(generations.size());
    const double width = cells.width() / count;
    const double height = cells.height() / count;
    return QRectF(cells.left() + column * width, cells.top() + (count - 1 - row) * height, width,
                  height);
}

std::optional<CiaoCell> CiaoMap::cellAt(const QPointF& point) const
{
    const int count = static_cast<int>(generations.size());
    if (count == 0 || cells.isEmpty())
        return std::nullopt;
    const double x = std::floor((point.x() - cells.left()) / cells.width() * count);
    const double y = std::floor((point.y() - cells.top()) / cells.height() * count);
    if (!(x >= 0 && x < count && y >= 0 && y < count))
        return std::nullopt;
    const int column = static_cast<int>(x);
    const int row = count - 1 - static_cast<int>(y);
    if (column > row)
        return std::nullopt;
    const int champion = generations[row];
    const int opponent = generations[column];
    return CiaoCell{population,
                    row,
                    column,
                    population == 1 ? champion : opponent,
                    population == 1 ? opponent : champion,
                    scores[row][column]};
}

std::optional<CiaoCell> CiaoLayout::cellAt(const QPointF& point) const
{
    for (const CiaoMap& map : maps)
        if (std::optional<CiaoCell> cell = map.cellAt(point))
            return cell;
    return std::nullopt;
}

CiaoLayout paintCiaoPlot(QPainter& painter, const QRect& area, const ChampionGrid& grid,
                         const std::vector<int>& generations, const QString& title,
                         CiaoColourRange range)
{
    beginChart(painter, area, title);
    CiaoLayout layout;
    if (!generations.empty()) {
        layout.maps.push_back(drawTriangle(painter, area, grid, generations,
                                           {1, QStringLiteral("population 1 champion's generation"),
                                            QStringLiteral("population 2 opponent's generation")},
                                           range));
        layout.maps.push_back(drawTriangle(painter, area, grid, generations,
                                           {2, QStringLiteral("population 2 champion's generation"),
                                            QStringLiteral("population 1 opponent's generation")},
                                           range));
    }
    return layout;
}

QImage drawCiaoPlot(const ChampionGrid& grid, const std::vector<int>& generations,
                    const QString& title, CiaoColourRange range)
{
    return chartImage(QSize(ciaoPlotWidth, ciaoPlotHeight),
                      [&](QPainter& painter, const QRect& area) {
                          paintCiaoPlot(painter, area, grid, generations, title, range);
                      });
}
