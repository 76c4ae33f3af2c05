#include "charts/ComparePlot.h"

#include "charts/QuartilePanels.h"

#include <QPainter>

namespace
{

constexpr int compareChartWidth = 1120;
// Between the legend and the upper panels' names.
constexpr int legendNameGap = 22;

QColor bandColor(int condition)
{
    QColor color = conditionColor(condition);
    color.setAlpha(56);
    return color;
}

QPen medianPen(int condition)
{
    return QPen(conditionColor(condition), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

std::vector<LegendEntry> conditionLegend(const std::vector<ConditionSummary>& conditions)
{
    std::vector<LegendEntry> legend;
    for (std::size_t c = 0; c < conditions.size(); ++c)
        legend.push_back(
            {conditions[c].name, medianPen(static_cast<int>(c)), bandColor(static_cast<int>(c))});
    return legend;
}

} // namespace

ChartLayout paintComparePlot(QPainter& painter, const QRect& area,
                             const std::vector<ConditionSummary>& conditions, const QString& title)
{
    beginChart(painter, area, title);
    // The legend wraps, so the panels start below however many rows it took.
    const int panelsTop = drawLegend(painter, conditionLegend(conditions), area) + legendNameGap +
                          quartilePanelNameHeight;
    const QuartileCurves curves = [&conditions](FitnessSeries) {
        std::vector<QuartileCurve> all;
        for (std::size_t c = 0; c < conditions.size(); ++c)
            all.push_back({&conditions[c].rows, medianPen(static_cast<int>(c)),
                           bandColor(static_cast<int>(c))});
        return all;
    };
    return paintQuartilePanels(painter, area, panelsTop, curves, 0,
                               QStringLiteral("lines: median over each condition's runs; bands: "
                                              "first to third quartile"));
}

QImage drawComparePlot(const std::vector<ConditionSummary>& conditions, const QString& title)
{
    const int legendHeight = legendRowsHeight(conditionLegend(conditions), compareChartWidth);
    const int panelsTop = chartLegendTop + legendHeight + legendNameGap + quartilePanelNameHeight;
    return chartImage(QSize(compareChartWidth, quartileChartHeight(panelsTop)),
                      [&](QPainter& painter, const QRect& area) {
                          paintComparePlot(painter, area, conditions, title);
                      });
}
