#include "charts/ComparePlot.h"

#include "charts/QuartilePanels.h"

#include <QPainter>

#include <algorithm>

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

// How many runs a summary's rows are over at `generation`; the first row's
// count is every run's, each run holding generation 1.
int runsAt(const std::vector<SummaryRow>& rows, int generation)
{
    const auto found = std::find_if(rows.begin(), rows.end(), [generation](const SummaryRow& row) {
        return row.generation == generation;
    });
    return found == rows.end() ? 0 : found->seeds;
}

std::vector<LegendEntry> conditionLegend(const std::vector<ConditionSummary>& conditions,
                                         int generation)
{
    std::vector<LegendEntry> legend;
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        const std::vector<SummaryRow>& rows = conditions[c].rows;
        const int runs = rows.empty() ? 0 : rows.front().seeds;
        QString name = QStringLiteral("%1: %2").arg(
            conditions[c].name, runsReaching(runsAt(rows, generation), runs, QStringLiteral("G")));
        // Past G, the curves are over fewer runs when some stopped earlier.
        if (!rows.empty() && rows.back().generation > generation &&
            rows.back().seeds < runsAt(rows, generation))
            name += QStringLiteral(", %1 %2 %3")
                        .arg(rows.back().seeds)
                        .arg(rows.back().seeds == 1 ? QStringLiteral("reaches")
                                                    : QStringLiteral("reach"))
                        .arg(rows.back().generation);
        legend.push_back({name, medianPen(static_cast<int>(c)), bandColor(static_cast<int>(c))});
    }
    return legend;
}

} // namespace

ChartLayout paintComparePlot(QPainter& painter, const QRect& area,
                             const std::vector<ConditionSummary>& conditions, int generation)
{
    beginChart(painter, area,
               QStringLiteral("Coevolife, %1 conditions compared at generation G = %2")
                   .arg(conditions.size())
                   .arg(generation));
    // The legend wraps, so the panels start below however many rows it took.
    const int panelsTop = drawLegend(painter, conditionLegend(conditions, generation), area) +
                          legendNameGap + quartilePanelNameHeight;
    const QuartileCurves curves = [&conditions](FitnessSeries) {
        std::vector<QuartileCurve> all;
        for (std::size_t c = 0; c < conditions.size(); ++c)
            all.push_back({&conditions[c].rows, medianPen(static_cast<int>(c)),
                           bandColor(static_cast<int>(c))});
        return all;
    };
    return paintQuartilePanels(painter, area, panelsTop, curves, generation,
                               QStringLiteral("lines: median of each condition's runs that reach "
                                              "it; bands: first to third quartile; dashed: G"));
}

ChartPicture drawComparePlot(const std::vector<ConditionSummary>& conditions, int generation)
{
    const int legendHeight =
        legendRowsHeight(conditionLegend(conditions, generation), compareChartWidth);
    const int panelsTop = chartLegendTop + legendHeight + legendNameGap + quartilePanelNameHeight;
    return ChartPicture{QSize(compareChartWidth, quartileChartHeight(panelsTop)),
                        [=](QPainter& painter, const QRect& area) {
                            paintComparePlot(painter, area, conditions, generation);
                        }};
}
