#include "charts/QuartilePanels.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace
{

// Each panel's height in a chart's image.
constexpr int panelHeight = 190;
// Room for the right-hand panels' tick labels and value axis name.
constexpr int columnGap = 100;
// Room for the lower panels' names; the upper panels leave their generations
// to the lower ones.
constexpr int rowGap = 48;
// Rows below the lower panels, for their generations and the axis name.
constexpr int bottomMargin = 63;

// Averages above, best so far below; population 1 on the left.
constexpr FitnessSeries panelSeries[2][2] = {{FitnessSeries::average1, FitnessSeries::average2},
                                             {FitnessSeries::best1, FitnessSeries::best2}};

QString seriesColumn(FitnessSeries series)
{
    return QString::fromLatin1(seriesOf(series).name);
}

// The panels share what `chart` leaves below `panelsTop`.
QRect panelArea(const QRect& chart, int panelsTop, int row, int column)
{
    const int width =
        std::max(0, (chart.width() - chartLeftMargin - chartRightMargin - columnGap) / 2);
    const int height =
        std::max(0, (chart.top() + chart.height() - panelsTop - rowGap - bottomMargin) / 2);
    return QRect(chart.left() + chartLeftMargin + column * (width + columnGap),
                 panelsTop + row * (height + rowGap), width, height);
}

void drawQuartileBand(QPainter& painter, const ChartScale& scale,
                      const std::vector<SummaryRow>& rows, FitnessSeries series,
                      const QColor& color)
{
    QPainterPath band;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const QPointF point = scale.toPoint(rows[k].generation, seriesField(rows[k], series).upper);
        k == 0 ? band.moveTo(point) : band.lineTo(point);
    }
    for (std::size_t k = rows.size(); k-- > 0;)
        band.lineTo(scale.toPoint(rows[k].generation, seriesField(rows[k], series).lower));
    painter.setPen(rows.size() == 1 ? QPen(color, 6) : QPen(Qt::NoPen));
    painter.setBrush(color);
    painter.drawPath(band);
}

ChartScale drawPanel(QPainter& painter, const QRect& area, const std::vector<QuartileCurve>& curves,
                     const ChartAxis& xAxis, FitnessSeries series, int markedGeneration,
                     bool labelGenerations)
{
    double lowest = 0.0;
    double highest = 0.0;
    for (const QuartileCurve& curve : curves)
        for (const SummaryRow& row : *curve.rows) {
            lowest = std::min(lowest, seriesField(row, series).lower);
            highest = std::max(highest, seriesField(row, series).upper);
        }
    const ChartScale scale{area, xAxis, niceAxis(lowest, highest, 4, 0.0)};
    drawPanelAxes(painter, scale, labelGenerations, QStringLiteral("score"));

    painter.setFont(chartFont(14, true));
    painter.setPen(chartAxisColor);
    drawFittedText(painter,
                   QRect(area.left(), area.top() - quartilePanelNameHeight, area.width(), 22),
                   Qt::AlignCenter,
                   QStringLiteral("%1 (%2)").arg(fitnessSeriesName(series), seriesColumn(series)));

    if (markedGeneration > 0) {
        // On whole pixels, unsmoothed, so that it stays as crisp as the axes.
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(chartAxisColor, 1, Qt::DashLine));
        const int x = static_cast<int>(std::lround(scale.toX(markedGeneration)));
        painter.drawLine(x, area.top(), x, area.bottom());
        painter.restore();
    }

    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 3, 3));
    // Every band before any line, so no median hides under another's band.
    for (const QuartileCurve& curve : curves)
        if (!curve.rows->empty())
            drawQuartileBand(painter, scale, *curve.rows, series, curve.band);
    for (const QuartileCurve& curve : curves) {
        QVector<QPointF> medians;
        for (const SummaryRow& row : *curve.rows)
            medians.append(scale.toPoint(row.generation, seriesField(row, series).median));
        if (!medians.isEmpty())
            drawSeriesLine(painter, medians, curve.median);
    }
    painter.restore();
    return scale;
}

} // namespace

int quartileChartHeight(int panelsTop)
{
    return panelsTop + 2 * panelHeight + rowGap + bottomMargin;
}

ChartLayout paintQuartilePanels(QPainter& painter, const QRect& chart, int panelsTop,
                                const QuartileCurves& curves, int markedGeneration,
                                const QString& footnote)
{
    int last = std::max(1, markedGeneration);
    for (FitnessSeries series : allFitnessSeries)
        for (const QuartileCurve& curve : curves(series))
            if (!curve.rows->empty())
                last = std::max(last, curve.rows->back().generation);
    const ChartAxis xAxis = niceAxis(1, last, 6, 1.0);

    ChartLayout layout;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column) {
            const FitnessSeries series = panelSeries[row][column];
            layout.panels.push_back(drawPanel(painter, panelArea(chart, panelsTop, row, column),
                                              curves(series), xAxis, series, markedGeneration,
                                              row == 1));
        }

    painter.setFont(chartFont(13));
    painter.setPen(chartAxisColor);
    drawFittedText(painter,
                   QRect(chart.left(), chart.top() + chart.height() - 26, chart.width(), 20),
                   Qt::AlignCenter, QStringLiteral("generation  (%1)").arg(footnote));
    return layout;
}
