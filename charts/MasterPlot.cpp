#include "charts/MasterPlot.h"

#include <QPainter>

#include <algorithm>

namespace
{

ChartScale drawSeries(QPainter& painter, const QRect& area, const ChartAxis& xAxis,
                      const std::vector<int>& generations, const std::vector<double>& means,
                      int population, bool labelGenerations)
{
    const double highest = means.empty() ? 0.0 : *std::max_element(means.begin(), means.end());
    const ChartScale scale{area, xAxis, niceAxis(0.0, highest, 4, 0.0)};
    drawPanelAxes(painter, scale, labelGenerations,
                  QStringLiteral("population %1 mean score").arg(population));
    QVector<QPointF> points;
    for (std::size_t k = 0; k < means.size(); ++k)
        points.append(scale.toPoint(generations[k], means[k]));
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    drawSeriesLine(painter, points,
                   QPen(speciesColor(population), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.restore();
    return scale;
}

} // namespace

ChartLayout paintMasterPlot(QPainter& painter, const QRect& area, const MasterScores& scores,
                            const QString& title)
{
    beginChart(painter, area, title);
    drawSubtitle(painter, area,
                 QStringLiteral("each generation's champion: mean score against every "
                                "champion of the other population"));

    const std::vector<int>& generations = scores.generations;
    const double first = generations.empty() ? 0 : generations.front();
    const double last = generations.empty() ? 1 : generations.back();
    const ChartAxis xAxis = niceAxis(first, last, 10, 1.0);
    ChartLayout layout;
    layout.panels.push_back(
        drawSeries(painter, twoPanelArea(area, 1), xAxis, generations, scores.mean1, 1, false));
    layout.panels.push_back(
        drawSeries(painter, twoPanelArea(area, 2), xAxis, generations, scores.mean2, 2, true));

    drawGenerationAxisName(painter, area, QStringLiteral("generation"));
    return layout;
}

ChartPicture drawMasterPlot(const MasterScores& scores, const QString& title)
{
    return ChartPicture{QSize(twoPanelChartWidth, twoPanelChartHeight),
                        [=](QPainter& painter, const QRect& area) {
                            paintMasterPlot(painter, area, scores, title);
                        }};
}
