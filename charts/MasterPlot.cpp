#include "charts/MasterPlot.h"

#include "charts/ChartStyle.h"
#include "charts/FitnessPlot.h"

#include <QPainter>

#include <algorithm>

namespace
{

void drawSeries(QPainter& painter, const QRect& area, const ChartAxis& xAxis,
                const std::vector<int>& generations, const std::vector<double>& means,
                const QColor& color, const QString& name, bool labelGenerations)
{
    const double highest = means.empty() ? 0.0 : *std::max_element(means.begin(), means.end());
    const ChartScale scale{area, xAxis, niceAxis(0.0, highest, 4, 0.0)};
    drawPanelAxes(painter, scale, labelGenerations, name);
    QVector<QPointF> points;
    for (std::size_t k = 0; k < means.size(); ++k)
        points.append(scale.toPoint(generations[k], means[k]));
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    drawSeriesLine(painter, points, QPen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.restore();
}

} // namespace

QImage drawMasterPlot(const MasterScores& scores, const QString& title)
{
    QImage image(twoPanelChartWidth, twoPanelChartHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    beginChart(painter, twoPanelChartWidth, title);
    drawSubtitle(painter, twoPanelChartWidth,
                 QStringLiteral("each generation's champion: mean score against every "
                                "champion of the other population"));

    const std::vector<int>& generations = scores.generations;
    const double first = generations.empty() ? 0 : generations.front();
    const double last = generations.empty() ? 1 : generations.back();
    const ChartAxis xAxis = niceAxis(first, last, 10, 1.0);
    drawSeries(painter, twoPanelArea(1), xAxis, generations, scores.mean1,
               fitnessSeriesColor(FitnessSeries::average1),
               QStringLiteral("population 1 mean score"), false);
    drawSeries(painter, twoPanelArea(2), xAxis, generations, scores.mean2,
               fitnessSeriesColor(FitnessSeries::average2),
               QStringLiteral("population 2 mean score"), true);

    drawGenerationAxisName(painter, QStringLiteral("generation"));
    painter.end();
    return image;
}
