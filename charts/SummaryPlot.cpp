#include "charts/SummaryPlot.h"

#include "charts/FitnessPlot.h"
#include "charts/QuartilePanels.h"

#include <QPainter>

namespace
{

// Below the subtitle, which ends 66 rows down, room for the panels' names.
constexpr int panelsTop = 66 + 22 + quartilePanelNameHeight;

QColor bandColor(FitnessSeries series)
{
    QColor color = fitnessSeriesColor(series);
    color.setAlpha(70);
    return color;
}

QString runsText(int runs)
{
    return runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs);
}

} // namespace

ChartLayout paintSummaryPlot(QPainter& painter, const QRect& area,
                             const std::vector<SummaryRow>& rows, const QString& condition)
{
    // Every run holds generation 1; the last generation, only the longest.
    const int runs = rows.empty() ? 0 : rows.front().seeds;
    const QString what =
        QStringLiteral("median and quartiles of %1 per generation").arg(runsText(runs));
    beginChart(painter, area,
               condition.isEmpty() ? QStringLiteral("Coevolife, %1").arg(what)
                                   : QStringLiteral("Coevolife, %1: %2").arg(condition, what));
    if (!rows.empty()) {
        const SummaryRow& last = rows.back();
        drawSubtitle(
            painter, area,
            last.seeds == runs
                ? QStringLiteral("every run reaches generation %1").arg(last.generation)
                : QStringLiteral("%1; each generation's figures are over the "
                                 "runs that reach it")
                      .arg(runsReaching(last.seeds, runs,
                                        QStringLiteral("generation %1").arg(last.generation))));
    }
    const QuartileCurves curves = [&rows](FitnessSeries series) {
        return std::vector<QuartileCurve>{{&rows, fitnessSeriesPen(series), bandColor(series)}};
    };
    return paintQuartilePanels(painter, area, area.top() + panelsTop, curves, 0,
                               QStringLiteral("lines: median of the runs that reach it; bands: "
                                              "first to third quartile"));
}

ChartPicture drawSummaryPlot(const std::vector<SummaryRow>& rows, const QString& condition)
{
    return ChartPicture{QSize(summaryPlotWidth, quartileChartHeight(panelsTop)),
                        [=](QPainter& painter, const QRect& area) {
                            paintSummaryPlot(painter, area, rows, condition);
                        }};
}
