#include "charts/ComparePlot.h"

#include "charts/ChartStyle.h"
#include "charts/FitnessPlot.h"
#include "charts/SummaryPlot.h"

#include <QPainter>

#include <algorithm>

namespace
{

constexpr int compareChartWidth = 1120;
// Room for the right-hand panels' tick labels and value axis name.
constexpr int columnGap = 100;
constexpr int comparePanelHeight = 190;
// Room for the lower panels' names; the upper panels leave their generations
// to the lower ones.
constexpr int rowGap = 48;
constexpr int panelNameHeight = 30;
// Between the legend and the upper panels' names.
constexpr int legendNameGap = 22;
// Rows below the lower panels, for their generations and the axis name.
constexpr int compareBottomMargin = 63;

// Averages above, best so far below; population 1 on the left.
constexpr FitnessSeries panelSeries[2][2] = {{FitnessSeries::average1, FitnessSeries::average2},
                                             {FitnessSeries::best1, FitnessSeries::best2}};

QString seriesColumn(FitnessSeries series)
{
    switch (series) {
    case FitnessSeries::average1:
        return QStringLiteral("average1");
    case FitnessSeries::best1:
        return QStringLiteral("best1");
    case FitnessSeries::average2:
        return QStringLiteral("average2");
    case FitnessSeries::best2:
        return QStringLiteral("best2");
    }
    return {};
}

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

// The panels share what `chart` leaves below `panelsTop`.
QRect panelArea(const QRect& chart, int panelsTop, int row, int column)
{
    const int width =
        std::max(0, (chart.width() - chartLeftMargin - chartRightMargin - columnGap) / 2);
    const int height =
        std::max(0, (chart.top() + chart.height() - panelsTop - rowGap - compareBottomMargin) / 2);
    return QRect(chart.left() + chartLeftMargin + column * (width + columnGap),
                 panelsTop + row * (height + rowGap), width, height);
}

ChartScale drawPanel(QPainter& painter, const QRect& area,
                     const std::vector<ConditionSummary>& conditions, const ChartAxis& xAxis,
                     FitnessSeries series, bool labelGenerations)
{
    double lowest = 0.0;
    double highest = 0.0;
    for (const ConditionSummary& condition : conditions)
        for (const SummaryRow& row : condition.rows) {
            lowest = std::min(lowest, seriesField(row, series).lower);
            highest = std::max(highest, seriesField(row, series).upper);
        }
    const ChartScale scale{area, xAxis, niceAxis(lowest, highest, 4, 0.0)};
    drawPanelAxes(painter, scale, labelGenerations, QStringLiteral("score"));

    painter.setFont(chartFont(14, true));
    painter.setPen(chartAxisColor);
    drawFittedText(painter, QRect(area.left(), area.top() - panelNameHeight, area.width(), 22),
                   Qt::AlignCenter,
                   QStringLiteral("%1 (%2)").arg(fitnessSeriesName(series), seriesColumn(series)));

    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    // Every band before any line, so no condition's median hides under
    // another's band.
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        if (!conditions[c].rows.empty())
            drawQuartileBand(painter, scale, conditions[c].rows, series,
                             bandColor(static_cast<int>(c)));
    }
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        QVector<QPointF> medians;
        for (const SummaryRow& row : conditions[c].rows)
            medians.append(scale.toPoint(row.generation, seriesField(row, series).median));
        if (!medians.isEmpty())
            drawSeriesLine(painter, medians, medianPen(static_cast<int>(c)));
    }
    painter.restore();
    return scale;
}

} // namespace

ChartLayout paintComparePlot(QPainter& painter, const QRect& area,
                             const std::vector<ConditionSummary>& conditions, const QString& title)
{
    beginChart(painter, area, title);
    // The legend wraps, so the panels start below however many rows it took.
    const int panelsTop =
        drawLegend(painter, conditionLegend(conditions), area) + legendNameGap + panelNameHeight;

    int last = 1;
    for (const ConditionSummary& condition : conditions)
        if (!condition.rows.empty())
            last = std::max(last, condition.rows.back().generation);
    const ChartAxis xAxis = niceAxis(1, last, 6, 1.0);
    ChartLayout layout;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
            layout.panels.push_back(drawPanel(painter, panelArea(area, panelsTop, row, column),
                                              conditions, xAxis, panelSeries[row][column],
                                              row == 1));

    painter.setFont(chartFont(13));
    painter.setPen(chartAxisColor);
    drawFittedText(painter, QRect(area.left(), area.top() + area.height() - 26, area.width(), 20),
                   Qt::AlignCenter,
                   QStringLiteral("generation  (lines: median over each condition's runs; "
                                  "bands: first to third quartile)"));
    return layout;
}

QImage drawComparePlot(const std::vector<ConditionSummary>& conditions, const QString& title)
{
    const int legendHeight = legendRowsHeight(conditionLegend(conditions), compareChartWidth);
    const int panelsTop = chartLegendTop + legendHeight + legendNameGap + panelNameHeight;
    const int height = panelsTop + 2 * comparePanelHeight + rowGap + compareBottomMargin;
    return chartImage(QSize(compareChartWidth, height), [&](QPainter& painter, const QRect& area) {
        paintComparePlot(painter, area, conditions, title);
    });
}
