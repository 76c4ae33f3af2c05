#include "charts/CrossplayPlot.h"

#include "analysis/SeedSummary.h"
#include "charts/ChartStyle.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace
{

constexpr int nameFontPixels = 13;
constexpr int runsFontPixels = 12;
// A longer name keeps its first lines and is elided on the last.
constexpr int nameLineLimit = 4;
constexpr int labelPadding = 12;
// A key wider than this is elided rather than widen every condition's slot.
constexpr int maxLabelWidth = 360;
// Rows between the lower panel and the names, the names and the runs, the
// runs and the foot of the chart.
constexpr int namesGap = 9;
constexpr int runsGap = 2;
constexpr int footMargin = 14;
constexpr double dotRadius = 3.5;
// Dots of neighbouring runs step sideways by this much.
constexpr double dotSpacing = 2 * dotRadius + 1;

const std::vector<double>& runMeans(const CrossplayCondition& condition, int population)
{
    return population == 1 ? condition.mean1 : condition.mean2;
}

// `name` cut after each comma (between a sweep's keys).
QStringList nameParts(const QString& name)
{
    QStringList parts;
    int start = 0;
    for (int k = 0; k < name.size(); ++k)
        if (name[k] == QLatin1Char(',') || k + 1 == name.size()) {
            parts.append(name.mid(start, k + 1 - start));
            start = k + 1;
        }
    return parts;
}

// The parts of `name` gathered into lines no wider than `width`; a part too
// wide for it, or lines past the limit, are elided.
QStringList nameLines(const QString& name, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    for (const QString& part : nameParts(name)) {
        if (!lines.isEmpty() && metrics.horizontalAdvance(lines.back() + part) <= width)
            lines.back() += part;
        else
            lines.append(part);
    }
    if (lines.size() > nameLineLimit) {
        const QStringList rest = lines.mid(nameLineLimit - 1);
        lines = lines.mid(0, nameLineLimit - 1);
        lines.append(metrics.elidedText(rest.join(QString()), Qt::ElideRight, width));
    }
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideMiddle, width);
    return lines;
}

// The latest generation any run's champions come from.
int latestGeneration(const std::vector<CrossplayCondition>& conditions)
{
    int latest = 0;
    for (const CrossplayCondition& condition : conditions)
        for (int generation : condition.generations)
            latest = std::max(latest, generation);
    return latest;
}

QString runsLabel(const CrossplayCondition& condition, int latest)
{
    const std::size_t runs = std::max(condition.mean1.size(), condition.mean2.size());
    const auto reaching =
        std::count(condition.generations.begin(), condition.generations.end(), latest);
    return runsReaching(reaching, static_cast<long long>(runs), QStringLiteral("G"));
}

QString crossplayTitle(const std::vector<CrossplayCondition>& conditions, int latest)
{
    bool allAtLatest = true;
    for (const CrossplayCondition& condition : conditions)
        for (int generation : condition.generations)
            allAtLatest = allAtLatest && generation == latest;
    const QString champions =
        allAtLatest ? QStringLiteral("champions of generation G = %1").arg(latest)
                    : QStringLiteral("champions of G = %1, or of a run's last").arg(latest);
    return QStringLiteral("Coevolife crossplay, %1 conditions: %2")
        .arg(conditions.size())
        .arg(champions);
}

// Each condition's name in lines no wider than `width`.
std::vector<QStringList> conditionNames(const std::vector<CrossplayCondition>& conditions,
                                        const QFontMetrics& metrics, int width)
{
    std::vector<QStringList> names;
    for (const CrossplayCondition& condition : conditions)
        names.push_back(nameLines(condition.name, metrics, width));
    return names;
}

int nameLineCount(const std::vector<QStringList>& names)
{
    int lineCount = 1;
    for (const QStringList& lines : names)
        lineCount = std::max<int>(lineCount, lines.size());
    return lineCount;
}

// Rows below the lower panel for the names, in as many lines as the longest
// takes, and the runs.
int footHeight(const std::vector<QStringList>& names)
{
    return namesGap + nameLineCount(names) * QFontMetrics(chartFont(nameFontPixels)).height() +
           runsGap + QFontMetrics(chartFont(runsFontPixels)).height() + footMargin;
}

// Sideways offsets for dots at heights `ys`, taken from the lowest dot up:
// each takes the first of 0, +d, -d, +2d, -2d, ... within `limit` that keeps
// it clear of the dots already placed, or the clearest of them when none
// does. No random draws, so a chart is drawn alike every time.
std::vector<double> dotOffsets(const std::vector<double>& ys, double limit)
{
    std::vector<double> candidates{0.0};
    for (int step = 1; step * dotSpacing <= limit; ++step) {
        candidates.push_back(step * dotSpacing);
        candidates.push_back(-step * dotSpacing);
    }
    std::vector<std::size_t> order(ys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&ys](std::size_t a, std::size_t b) { return ys[a] > ys[b]; });

    std::vector<double> offsets(ys.size(), 0.0);
    std::vector<std::size_t> placed;
    for (std::size_t index : order) {
        double bestClearance = -1.0;
        for (double candidate : candidates) {
            double clearance = dotSpacing;
            for (std::size_t other : placed)
                clearance = std::min(clearance,
                                     std::hypot(candidate - offsets[other], ys[index] - ys[other]));
            if (clearance > bestClearance) {
                bestClearance = clearance;
                offsets[index] = candidate;
            }
            if (clearance >= dotSpacing)
                break;
        }
        placed.push_back(index);
    }
    return offsets;
}

void drawCondition(QPainter& painter, const ChartScale& scale, int condition,
                   const std::vector<double>& values, double halfWidth)
{
    const QColor color = conditionColor(condition);
    const Quartiles q = quartilesOf(values);
    const double x = scale.toX(condition);

    painter.setPen(QPen(color.darker(130), 1.5));
    painter.drawLine(QPointF(x, scale.toY(q.minimum)), QPointF(x, scale.toY(q.lower)));
    painter.drawLine(QPointF(x, scale.toY(q.upper)), QPointF(x, scale.toY(q.maximum)));
    for (double end : {q.minimum, q.maximum})
        painter.drawLine(QPointF(x - halfWidth / 2, scale.toY(end)),
                         QPointF(x + halfWidth / 2, scale.toY(end)));

    QColor fill = color;
    fill.setAlpha(50);
    painter.setBrush(fill);
    painter.setPen(QPen(color, 1.5));
    painter.drawRect(QRectF(QPointF(x - halfWidth, scale.toY(q.upper)),
                            QPointF(x + halfWidth, scale.toY(q.lower))));
    painter.setPen(QPen(color.darker(130), 3.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(x - halfWidth, scale.toY(q.median)),
                     QPointF(x + halfWidth, scale.toY(q.median)));

    std::vector<double> ys;
    for (double value : values)
        ys.push_back(scale.toY(value));
    const std::vector<double> offsets = dotOffsets(ys, halfWidth - dotRadius);
    QColor dot = color;
    dot.setAlpha(190);
    painter.setBrush(dot);
    painter.setPen(QPen(Qt::white, 0.8));
    for (std::size_t k = 0; k < ys.size(); ++k)
        painter.drawEllipse(QPointF(x + offsets[k], ys[k]), dotRadius, dotRadius);
}

ChartAxis valueAxis(const std::vector<CrossplayCondition>& conditions, int population)
{
    bool any = false;
    double lowest = 0.0;
    double highest = 0.0;
    for (const CrossplayCondition& condition : conditions)
        for (double value : runMeans(condition, population)) {
            lowest = any ? std::min(lowest, value) : value;
            highest = any ? std::max(highest, value) : value;
            any = true;
        }
    // The axis spans the runs rather than starting at zero, so that conditions
    // close together stay apart; a margin keeps the extreme dots off its ends.
    const double margin = highest > lowest ? (highest - lowest) * 0.05 : 1.0;
    const double low = lowest >= 0.0 ? std::max(0.0, lowest - margin) : lowest - margin;
    return niceAxis(low, highest + margin, 4, 0.0);
}

} // namespace

ChartLayout paintCrossplayPlot(QPainter& painter, const QRect& area,
                               const std::vector<CrossplayCondition>& conditions)
{
    const int count = std::max<int>(1, static_cast<int>(conditions.size()));
    const QFontMetrics nameMetrics(chartFont(nameFontPixels));
    const QFontMetrics runsMetrics(chartFont(runsFontPixels));
    const int slotWidth = twoPanelArea(area, 1).width() / count;
    const std::vector<QStringList> names =
        conditionNames(conditions, nameMetrics, std::max(0, slotWidth - labelPadding));
    const int bottom = std::max(twoPanelBottomMargin, footHeight(names));
    auto populationArea = [&area, bottom](int population) {
        return twoPanelArea(area, population, twoPanelTopMargin, bottom);
    };
    const QRect lowerArea = populationArea(2);
    const int namesTop = lowerArea.top() + lowerArea.height() + namesGap;
    const int runsTop = namesTop + nameLineCount(names) * nameMetrics.height() + runsGap;

    const int latest = latestGeneration(conditions);
    beginChart(painter, area, crossplayTitle(conditions, latest));
    drawSubtitle(painter, area,
                 QStringLiteral("each run's champion: mean score against the other runs' "
                                "champions (box: quartiles and median; whiskers: extremes)"));

    // The conditions sit on whole numbers, so the grid lines (at the axis'
    // ticks, half a condition off) part them.
    const ChartAxis conditionAxis{-0.5, count - 0.5, 1.0};
    const double halfWidth = std::min(slotWidth * 0.3, 48.0);
    ChartLayout layout;
    for (int population = 1; population <= 2; ++population) {
        const ChartScale scale{populationArea(population), conditionAxis,
                               valueAxis(conditions, population)};
        drawPanelAxes(painter, scale, false,
                      QStringLiteral("population %1 mean score").arg(population));
        for (std::size_t c = 0; c < conditions.size(); ++c) {
            const std::vector<double>& values = runMeans(conditions[c], population);
            if (!values.empty())
                drawCondition(painter, scale, static_cast<int>(c), values, halfWidth);
        }
        layout.panels.push_back(scale);
    }

    const ChartScale lowerScale{lowerArea, conditionAxis, {}};
    painter.setPen(chartAxisColor);
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        const QRectF slot(lowerScale.toX(static_cast<double>(c)) - slotWidth / 2.0, 0, slotWidth,
                          0);
        painter.setFont(chartFont(nameFontPixels));
        for (int line = 0; line < names[c].size(); ++line)
            painter.drawText(QRectF(slot.left(), namesTop + line * nameMetrics.height(),
                                    slot.width(), nameMetrics.height()),
                             Qt::AlignHCenter | Qt::AlignTop, names[c][line]);
        painter.setFont(chartFont(runsFontPixels));
        drawFittedText(
            painter,
            QRectF(slot.left(), runsTop, slot.width(), runsMetrics.height()).toAlignedRect(),
            Qt::AlignHCenter | Qt::AlignTop, runsLabel(conditions[c], latest));
    }
    return layout;
}

ChartPicture drawCrossplayPlot(const std::vector<CrossplayCondition>& conditions)
{
    const int count = std::max<int>(1, static_cast<int>(conditions.size()));
    const QFontMetrics nameMetrics(chartFont(nameFontPixels));

    // The chart widens past the two-panel layout when the conditions' names,
    // a key to a line, or their runs would not fit side by side in it (two
    // pixels spare, as elision measures the text's fractional width).
    const QFontMetrics runsMetrics(chartFont(runsFontPixels));
    const int latest = latestGeneration(conditions);
    int widestPart = 0;
    for (const CrossplayCondition& condition : conditions) {
        for (const QString& part : nameParts(condition.name))
            widestPart = std::max(widestPart, nameMetrics.horizontalAdvance(part) + 2);
        widestPart =
            std::max(widestPart, runsMetrics.horizontalAdvance(runsLabel(condition, latest)) + 2);
    }
    const int standardWidth = twoPanelChartWidth - chartLeftMargin - chartRightMargin;
    const int labelWidth =
        std::max(standardWidth / count - labelPadding, std::min(widestPart, maxLabelWidth));
    // Painted, each condition gets panelsWidth / count: labelWidth + labelPadding.
    const int panelsWidth = std::max(standardWidth, count * (labelWidth + labelPadding));
    const int foot = footHeight(conditionNames(conditions, nameMetrics, labelWidth));
    const QSize size(chartLeftMargin + panelsWidth + chartRightMargin,
                     twoPanelChartHeight + std::max(0, foot - twoPanelBottomMargin));
    return ChartPicture{size, [=](QPainter& painter, const QRect& area) {
                            paintCrossplayPlot(painter, area, conditions);
                        }};
}
