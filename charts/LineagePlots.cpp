#include "charts/LineagePlots.h"

#include <QPainter>

#include <algorithm>
#include <optional>

namespace
{

QPen seriesPen(int population)
{
    return QPen(speciesColor(population), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The horizontal axis over the generations from `first` to `last`, ticks as
// the area's width has room for.
ChartAxis generationAxis(int first, int last, int pixels)
{
    return exactAxis(first, std::max(last, first + 1), ticksFor(pixels, 90), 1.0);
}

// One population's values as lines, broken where a value is missing.
void drawBrokenSeries(QPainter& painter, const ChartScale& scale, const std::vector<int>& xs,
                      const std::vector<std::optional<double>>& ys, int population)
{
    painter.save();
    painter.setClipRect(scale.area.adjusted(-2, -2, 3, 3));
    QVector<QPointF> points;
    for (std::size_t k = 0; k <= ys.size(); ++k) {
        if (k < ys.size() && ys[k]) {
            points.append(scale.toPoint(xs[k], *ys[k]));
            continue;
        }
        if (!points.isEmpty())
            drawSeriesLine(painter, points, seriesPen(population));
        points.clear();
    }
    painter.restore();
}

double highestOf(const std::vector<std::optional<double>>& a,
                 const std::vector<std::optional<double>>& b)
{
    double highest = 1.0;
    for (const auto* values : {&a, &b})
        for (const std::optional<double>& value : *values)
            if (value)
                highest = std::max(highest, *value);
    return highest;
}

} // namespace

ChartLayout paintTurnoverPlot(QPainter& painter, const QRect& area,
                              const std::vector<TurnoverRow>& rows, const QString& title)
{
    beginChart(painter, area, title);
    const int legendEnd = drawLegend(painter,
                                     {{QStringLiteral("population 1"), seriesPen(1), QColor()},
                                      {QStringLiteral("population 2"), seriesPen(2), QColor()}},
                                     area);
    const int top = twoPanelTop(area, legendEnd);
    std::vector<int> generations;
    std::array<std::vector<std::optional<double>>, 2> distinct;
    std::array<std::vector<std::optional<double>>, 2> coalescence;
    for (const TurnoverRow& row : rows) {
        generations.push_back(row.generation);
        for (std::size_t p = 0; p < 2; ++p) {
            distinct[p].push_back(row.distinct[p]);
            coalescence[p].push_back(row.coalescence[p] ? std::optional<double>(*row.coalescence[p])
                                                        : std::nullopt);
        }
    }
    const int first = generations.empty() ? 1 : generations.front();
    const int last = generations.empty() ? 1 : generations.back();
    ChartLayout layout;
    const struct {
        const std::array<std::vector<std::optional<double>>, 2>* values;
        const char* name;
    } panels[] = {{&distinct, "distinct patterns"}, {&coalescence, "generations to coalescence"}};
    for (int panel = 1; panel <= 2; ++panel) {
        const QRect panelArea = twoPanelArea(area, panel, top);
        const auto& values = *panels[panel - 1].values;
        const ChartScale scale{panelArea, generationAxis(first, last, panelArea.width()),
                               exactAxis(0.0, highestOf(values[0], values[1]),
                                         ticksFor(panelArea.height(), 40), 1.0)};
        drawPanelAxes(painter, scale, panel == 2, QString::fromLatin1(panels[panel - 1].name));
        for (int p = 1; p <= 2; ++p)
            drawBrokenSeries(painter, scale, generations, values[static_cast<std::size_t>(p - 1)], p);
        layout.panels.push_back(scale);
    }
    drawGenerationAxisName(painter, area, QStringLiteral("generation"));
    return layout;
}

ChartPicture drawTurnoverPlot(const std::vector<TurnoverRow>& rows, const QString& title)
{
    return ChartPicture{QSize(twoPanelChartWidth, twoPanelChartHeight),
                        [=](QPainter& painter, const QRect& area) {
                            paintTurnoverPlot(painter, area, rows, title);
                        }};
}

ChartLayout paintDescentPlot(QPainter& painter, const QRect& area,
                             const std::vector<DescentStep>& line, int population,
                             const QString& title)
{
    beginChart(painter, area, title);
    const QColor colour = speciesColor(population);
    QPen markPen(colour.darker(160), 1.5);
    const int legendEnd =
        drawLegend(painter,
                   {{QStringLiteral("the ancestor's score"), seriesPen(population), QColor()},
                    {QStringLiteral("x crossover, o mutation, filled: champion"), markPen,
                     QColor()}},
                   area);
    const QRect panel = twoPanelArea(area, 1, twoPanelTop(area, legendEnd))
                            .united(twoPanelArea(area, 2, twoPanelTop(area, legendEnd)));
    std::vector<int> generations;
    std::vector<std::optional<double>> scores;
    for (const DescentStep& step : line) {
        generations.push_back(step.generation);
        scores.push_back(step.score ? std::optional<double>(*step.score) : std::nullopt);
    }
    const int first = generations.empty() ? 1 : generations.front();
    const int last = generations.empty() ? 1 : generations.back();
    const ChartScale scale{panel, generationAxis(first, last, panel.width()),
                           exactAxis(0.0, highestOf(scores, {}), ticksFor(panel.height(), 40),
                                     0.0)};
    drawPanelAxes(painter, scale, true,
                  QStringLiteral("population %1 ancestor's score").arg(population));
    drawBrokenSeries(painter, scale, generations, scores, population);
    painter.save();
    painter.setClipRect(panel.adjusted(-6, -6, 6, 6));
    painter.setPen(markPen);
    for (std::size_t k = 0; k < line.size(); ++k) {
        if (!scores[k])
            continue;
        const QPointF at = scale.toPoint(generations[k], *scores[k]);
        const DescentStep& step = line[k];
        painter.setBrush(step.champion ? QBrush(colour.darker(160)) : Qt::NoBrush);
        if (step.birth && step.birth->breedingOperator == BreedingOperator::Crossover) {
            painter.drawLine(at + QPointF(-4, -4), at + QPointF(4, 4));
            painter.drawLine(at + QPointF(-4, 4), at + QPointF(4, -4));
            if (step.champion)
                painter.drawEllipse(at, 2.0, 2.0);
        } else if ((step.birth && step.birth->breedingOperator == BreedingOperator::Mutation &&
                    !step.changed.empty()) ||
                   step.champion) {
            painter.drawEllipse(at, 3.5, 3.5);
        }
    }
    painter.restore();
    if (std::none_of(scores.begin(), scores.end(), [](const auto& s) { return s.has_value(); })) {
        painter.setPen(chartAxisColor);
        drawFittedText(painter, panel, Qt::AlignCenter,
                       QStringLiteral("the archive kept no score of these members"));
    }
    drawGenerationAxisName(painter, area, QStringLiteral("generation"));
    return {{scale}};
}

ChartPicture drawDescentPlot(const std::vector<DescentStep>& line, int population,
                             const QString& title)
{
    return ChartPicture{QSize(twoPanelChartWidth, twoPanelChartHeight),
                        [=](QPainter& painter, const QRect& area) {
                            paintDescentPlot(painter, area, line, population, title);
                        }};
}
