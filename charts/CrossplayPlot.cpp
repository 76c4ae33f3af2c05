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

QString runsLabel(std::size_t runs)
{
    return runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs);
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

QImage drawCrossplayPlot(const std::vector<CrossplayCondition>& conditions, const QString& title)
{
    const int count = std::max<int>(1, static_cast<int>(conditions.size()));
    const QFontMetrics nameMetrics(chartFont(nameFontPixels));
    const QFontMetrics runsMetrics(chartFont(runsFontPixels));

    // The chart widens past the two-panel layout when the conditions' names,
    // a key to a line, would not fit side by side in it (two pixels spare,
    // as elision measures the text's fractional width).
    int widestPart = 0;
    for (const CrossplayCondition& condition : conditions)
        for (const QString& part : nameParts(condition.name))
            widestPart = std::max(widestPart, nameMetrics.horizontalAdvance(part) + 2);
    const int labelWidth = std::max(twoPanelArea(1).width() / count - labelPadding,
                                    std::min(widestPart, maxLabelWidth));
    const int slotWidth = labelWidth + labelPadding;
    const int panelsWidth = std::max(twoPanelArea(1).width(), count * slotWidth);
    const int chartWidth = twoPanelChartWidth - twoPanelArea(1).width() + panelsWidth;
    auto panelArea = [panelsWidth](int population) {
        QRect area = twoPanelArea(population);
        area.setWidth(panelsWidth);
        return area;
    };

    std::vector<QStringList> names;
    int nameLineCount = 1;
    for (const CrossplayCondition& condition : conditions) {
        names.push_back(nameLines(condition.name, nameMetrics, labelWidth));
        nameLineCount = std::max<int>(nameLineCount, names.back().size());
    }
    const QRect lowerArea = panelArea(2);
    const int namesTop = lowerArea.bottom() + 10;
    const int runsTop = namesTop + nameLineCount * nameMetrics.height() + 2;
    const int chartHeight = std::max(twoPanelChartHeight, runsTop + runsMetrics.height() + 14);

    QImage image(chartWidth, chartHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    beginChart(painter, chartWidth, title);
    drawSubtitle(painter, chartWidth,
                 QStringLiteral("each run's champion: mean score against the other runs' "
                                "champions (box: quartiles and median; whiskers: extremes)"));

    // The conditions sit on whole numbers, so the grid lines (at the axis'
    // ticks, half a condition off) part them.
    const ChartAxis conditionAxis{-0.5, count - 0.5, 1.0};
    const double halfWidth = std::min(slotWidth * 0.3, 48.0);
    for (int population = 1; population <= 2; ++population) {
        const ChartScale scale{panelArea(population), conditionAxis,
                               valueAxis(conditions, population)};
        drawPanelAxes(painter, scale, false,
                      QStringLiteral("population %1 mean score").arg(population));
        for (std::size_t c = 0; c < conditions.size(); ++c) {
            const std::vector<double>& values = runMeans(conditions[c], population);
            if (!values.empty())
                drawCondition(painter, scale, static_cast<int>(c), values, halfWidth);
        }
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
        const std::size_t runs = std::max(conditions[c].mean1.size(), conditions[c].mean2.size());
        painter.drawText(QRectF(slot.left(), runsTop, slot.width(), runsMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, runsLabel(runs));
    }
    painter.end();
    return image;
}
