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

// Room around each map: its heading above; the tick labels and the axis
// name left of it; the colour bar, its labels and its name right of it; the
// generations and the column axis' name below it.
constexpr int titleHeight = 34;
constexpr int noteHeight = 16;
constexpr int headingHeight = 22;
constexpr int tickRowHeight = 22;
constexpr int nameRowHeight = 17;
constexpr int barGap = 10;
constexpr int barWidth = 14;
constexpr int edgeGap = 4;
constexpr int swatchSize = 12;
constexpr int mapTickFontPixels = 12;
constexpr int axisNameFontPixels = 13;
constexpr int headingFontPixels = 14;

int tickLabelWidth(const std::vector<int>& generations)
{
    const QFontMetrics metrics(chartFont(mapTickFontPixels));
    return metrics.horizontalAdvance(tickLabel(generations.empty() ? 1 : generations.back()));
}

// How the maps share the chart: side by side, or one above the other in a
// chart taller than wide, whichever gives them more room.
struct MapsArrangement {
    bool stacked = false;
    int side = 0;
    int left = 0;
    int right = 0;
    bool noteOwnLine = false;
};

int leftMarginOf(const std::vector<int>& generations)
{
    return edgeGap + nameRowHeight + 6 + tickLabelWidth(generations) + 8;
}

int rightMarginOf()
{
    const QFontMetrics metrics(chartFont(mapTickFontPixels));
    return barGap + barWidth + 7 + metrics.horizontalAdvance(QStringLiteral("0000.0")) + 4 +
           metrics.height() + edgeGap;
}

MapsArrangement arrangeMaps(const QRect& chart, const std::vector<int>& generations,
                            bool noteOwnLine)
{
    MapsArrangement arrangement;
    arrangement.left = leftMarginOf(generations);
    arrangement.right = rightMarginOf();
    arrangement.noteOwnLine = noteOwnLine;
    const int top = titleHeight + (noteOwnLine ? noteHeight : 0);
    const int across = arrangement.left + arrangement.right;
    const int below = tickRowHeight + nameRowHeight;
    const int sideBySide =
        std::min(chart.width() / 2 - across, chart.height() - top - headingHeight - below);
    // Stacked, the upper map's columns are named by the lower one's.
    const int stacked =
        std::min(chart.width() - across,
                 (chart.height() - top - 2 * headingHeight - tickRowHeight - below) / 2);
    arrangement.stacked = stacked > sideBySide;
    arrangement.side = std::max(0, std::max(stacked, sideBySide));
    return arrangement;
}

// Population `population`'s map: a square as large as the arrangement
// allows, centred in its share of the chart.
QRect mapArea(const QRect& chart, const MapsArrangement& arrangement, int population)
{
    const int top = chart.top() + titleHeight + (arrangement.noteOwnLine ? noteHeight : 0);
    const int size = arrangement.side;
    const int across = arrangement.left + arrangement.right;
    if (arrangement.stacked) {
        const int left = chart.left() + arrangement.left + (chart.width() - across - size) / 2;
        const int block = headingHeight + size + tickRowHeight;
        return QRect(left, top + headingHeight + (population - 1) * block, size, size);
    }
    const int half = chart.width() / 2;
    const int left =
        chart.left() + (population - 1) * half + arrangement.left + (half - across - size) / 2;
    const int room =
        chart.height() - (top - chart.top()) - headingHeight - tickRowHeight - nameRowHeight;
    return QRect(left, top + headingHeight + std::max(0, room - size) / 2, size, size);
}

// Light for low scores, the population's colour in the middle, dark for
// high; its ends worked out once for the many cells of a map.
class ColourRamp
{
public:
    explicit ColourRamp(const QColor& base) : base(base), high(base.darker(260)) {}

    QColor at(double t) const
    {
        const QColor& from = t < 0.5 ? low : base;
        const QColor& to = t < 0.5 ? base : high;
        const double u = t < 0.5 ? t * 2 : (t - 0.5) * 2;
        auto mix = [u](int a, int b) { return static_cast<int>(a + (b - a) * u + 0.5); };
        return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                      mix(from.blue(), to.blue()));
    }

private:
    const QColor low{0xf4, 0xf4, 0xf0};
    const QColor base;
    const QColor high;
};

// Where `score` lies on the scale, from 0 at its low end to 1 at its high
// one, those past the ends at the end.
double shareOfScale(const CiaoColourScale& scale, double score)
{
    return std::clamp((score - scale.low) / (scale.high - scale.low), 0.0, 1.0);
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

QString scoreText(double score)
{
    return QString::number(score, 'f', 1);
}

// The bar of the map's colours right of it, its ticks on the scale's round
// numbers and its name turned along its labels, with the clipping said.
void drawColourBar(QPainter& painter, const CiaoMap& map, int labelsRight)
{
    const QRect& bar = map.colourBar;
    QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
    for (int k = 0; k <= 10; ++k)
        gradient.setColorAt(k / 10.0, ColourRamp(speciesColor(map.population)).at(k / 10.0));
    painter.fillRect(bar, gradient);
    painter.setPen(chartAxisColor);
    painter.drawRect(bar);

    painter.setFont(chartFont(mapTickFontPixels));
    const QFontMetrics metrics(painter.font());
    const CiaoColourScale& colours = map.colours;
    // The bar spans the scale itself, not the round numbers around it.
    const ChartAxis axis =
        exactAxis(colours.low, colours.high, ticksFor(bar.height(), 3 * metrics.height()), 0.0);
    const ChartScale scale{bar, {}, axis};
    double labelTop = 1e9;
    for (const double value : axisTicks(axis)) {
        const double y = scale.toY(value);
        const double top = std::clamp(y - metrics.height() / 2.0, double(bar.top()) - 2,
                                      double(bar.bottom()) + 2 - metrics.height());
        if (top + metrics.height() > labelTop)
            continue;
        painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        drawFittedText(
            painter,
            QRectF(bar.right() + 7, top, labelsRight - bar.right() - 7, metrics.height()).toRect(),
            Qt::AlignLeft | Qt::AlignVCenter, tickLabel(value));
        labelTop = top - 2;
    }
    const long percentile = std::lround(ciaoClipQuantile * 100);
    const QString highest = scoreText(colours.highest);
    const QStringList name =
        colours.clipped()
            ? QStringList{QStringLiteral("score; clipped at the %1th percentile, max %2")
                              .arg(percentile)
                              .arg(highest),
                          QStringLiteral("score; clipped at %1th pct., max %2")
                              .arg(percentile)
                              .arg(highest),
                          QStringLiteral("score, clipped; max %1").arg(highest)}
            : QStringList{QStringLiteral("score")};
    painter.save();
    painter.translate(labelsRight + metrics.height() / 2.0 + 2, bar.center().y());
    painter.rotate(90);
    drawFittedText(painter,
                   QRect(-bar.height() / 2, -metrics.height() / 2, bar.height(), metrics.height()),
                   Qt::AlignCenter, name);
    painter.restore();
}

// The hatching's swatch from `left` and its name, on the line at `top`.
void drawUnplayedSwatch(QPainter& painter, int left, int top)
{
    painter.setFont(chartFont(mapTickFontPixels));
    const QFontMetrics metrics(painter.font());
    const QRect swatch(left, top + (metrics.height() - swatchSize) / 2, swatchSize, swatchSize);
    hatch(painter, swatch);
    painter.setPen(chartAxisColor);
    painter.drawRect(swatch);
    const QString name = QStringLiteral("not played");
    painter.drawText(
        QRect(swatch.right() + 5, top, metrics.horizontalAdvance(name) + 2, metrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, name);
}

CiaoMap drawTriangle(QPainter& painter, const QRect& chart, const MapsArrangement& arrangement,
                     const ChampionGrid& grid, const std::vector<int>& generations,
                     const Triangle& triangle, CiaoColourRange range)
{
    CiaoMap map;
    map.population = triangle.population;
    map.generations = generations;
    const QRect area = mapArea(chart, arrangement, triangle.population);
    const int count = static_cast<int>(generations.size());
    // Each generation's cell is centred on it; the axes end half a cell
    // beyond the first and last generations played, and their ticks stay
    // within those generations.
    const double every =
        count > 1 ? double(generations.back() - generations.front()) / (count - 1) : 1.0;
    const double first = generations.front() - every / 2;
    const double last = generations.back() + every / 2;
    const int labelWidth = tickLabelWidth(generations);
    ChartAxis axis = exactAxis(first, last, ticksFor(area.width(), labelWidth + 16), 1.0);
    axis.tickLow = generations.front();
    axis.tickHigh = generations.back();
    map.scale = ChartScale{area, axis, axis};
    drawPanelAxes(painter, map.scale, true, {});

    painter.setFont(chartFont(axisNameFontPixels));
    painter.setPen(chartAxisColor);
    const QFontMetrics nameMetrics(painter.font());
    painter.save();
    painter.translate(area.left() - arrangement.left + edgeGap + nameRowHeight / 2.0,
                      area.center().y());
    painter.rotate(-90);
    drawFittedText(
        painter,
        QRect(-area.height() / 2, -nameMetrics.height() / 2, area.height(), nameMetrics.height()),
        Qt::AlignCenter, triangle.rowName);
    painter.restore();

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
    const ColourRamp ramp(speciesColor(triangle.population));
    for (int row = 0; row < count; ++row)
        for (int column = 0; column <= row; ++column)
            if (const float score = map.scores[row][column]; !std::isnan(score))
                cells.setPixel(column, count - 1 - row,
                               ramp.at(shareOfScale(map.colours, score)).rgba());
    map.cells = QRectF(map.scale.toPoint(first, last), map.scale.toPoint(last, first));
    // The cells cover the hatching but in the empty triangle.
    hatch(painter, map.cells);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(map.cells, cells);
    painter.restore();

    // Stacked, the lower map's column name serves both.
    const bool namesColumns = !arrangement.stacked || triangle.population == 2;
    const int nameTop = area.bottom() + 1 + tickRowHeight;
    if (namesColumns) {
        painter.setFont(chartFont(axisNameFontPixels));
        painter.setPen(chartAxisColor);
        drawFittedText(painter, QRect(area.left(), nameTop, area.width(), nameMetrics.height()),
                       Qt::AlignCenter, triangle.columnName);
    }
    if (triangle.population == 2)
        drawUnplayedSwatch(painter, area.right() + barGap, nameTop);

    // The heading over the map, as wide as the map's share of the chart.
    painter.setFont(chartFont(headingFontPixels, true));
    painter.setPen(chartTitleColor);
    const int share = arrangement.stacked ? chart.width() : chart.width() / 2;
    const int shareLeft =
        arrangement.stacked ? chart.left() : chart.left() + (triangle.population - 1) * share;
    drawFittedText(
        painter,
        QRect(shareLeft + edgeGap, area.top() - headingHeight, share - 2 * edgeGap,
              headingHeight - 3),
        Qt::AlignCenter,
        QStringLiteral("population %1 against ancestral opponents").arg(triangle.population));
    map.colourBar = QRect(area.right() + barGap, area.top(), barWidth, area.height());
    const QFontMetrics tickMetrics(chartFont(mapTickFontPixels));
    drawColourBar(painter, map,
                  area.right() + arrangement.right - edgeGap - tickMetrics.height() - 4);
    return map;
}

// The title, and after it the note when both fit on one line.
void drawTitleLine(QPainter& painter, const QRect& chart, const QString& title, const QString& note,
                   bool noteOwnLine)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont titleFont = chartFont(18, true);
    const QFont noteFont = chartFont(mapTickFontPixels);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(title);
    const int noteWidth = note.isEmpty() ? 0 : QFontMetrics(noteFont).horizontalAdvance(note);
    const int gap = note.isEmpty() || noteOwnLine ? 0 : 16;
    const int lineWidth = titleWidth + (noteOwnLine ? 0 : gap + noteWidth);
    const int left = chart.left() + std::max(0, (chart.width() - lineWidth) / 2);
    const QRect titleRect(left, chart.top() + 6, std::min(titleWidth + 2, chart.width()), 26);
    painter.setFont(titleFont);
    painter.setPen(chartTitleColor);
    drawFittedText(painter, titleRect, Qt::AlignLeft | Qt::AlignVCenter, title);
    if (note.isEmpty())
        return;
    painter.setFont(noteFont);
    painter.setPen(chartAxisColor);
    const QRect noteRect = noteOwnLine
                               ? QRect(chart.left() + edgeGap, chart.top() + titleHeight - 2,
                                       chart.width() - 2 * edgeGap, noteHeight)
                               : QRect(titleRect.right() + gap, titleRect.top() + 3,
                                       chart.right() - titleRect.right() - gap, titleRect.height());
    drawFittedText(painter, noteRect,
                   (noteOwnLine ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter, note);
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
    return ColourRamp(speciesColor(population)).at(shareOfScale(colours, score));
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
                         CiaoColourRange range, const QString& note)
{
    const int titleWidth = QFontMetrics(chartFont(18, true)).horizontalAdvance(title);
    const int noteWidth =
        note.isEmpty() ? 0 : QFontMetrics(chartFont(mapTickFontPixels)).horizontalAdvance(note);
    const bool noteOwnLine = !note.isEmpty() && titleWidth + 16 + noteWidth + 8 > area.width();
    drawTitleLine(painter, area, title, note, noteOwnLine);
    CiaoLayout layout;
    if (!generations.empty()) {
        const MapsArrangement arrangement = arrangeMaps(area, generations, noteOwnLine);
        for (int population = 1; population <= 2; ++population)
            layout.maps.push_back(drawTriangle(painter, area, arrangement, grid, generations,
                                               {population, QStringLiteral("champion's generation"),
                                                QStringLiteral("opponent's generation")},
                                               range));
    }
    return layout;
}

ChartPicture drawCiaoPlot(const ChampionGrid& grid, const std::vector<int>& generations,
                          const QString& title, CiaoColourRange range)
{
    const ChampionGrid* played = &grid;
    return ChartPicture{QSize(ciaoPlotWidth, ciaoPlotHeight),
                        [=](QPainter& painter, const QRect& area) {
                            paintCiaoPlot(painter, area, *played, generations, title, range);
                        }};
}
