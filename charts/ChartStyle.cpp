#include "charts/ChartStyle.h"

#include "records/AtomicFile.h"

#include <QBuffer>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace
{

double niceStep(double span, int wantedTicks)
{
    const double raw = span / wantedTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / magnitude;
    const double nice = fraction <= 1.0   ? 1.0
                        : fraction <= 2.0 ? 2.0
                        : fraction <= 5.0 ? 5.0
                                          : 10.0;
    return nice * magnitude;
}

} // namespace

ChartAxis niceAxis(double low, double high, int wantedTicks, double smallestStep)
{
    if (!(high > low))
        high = low + std::max(smallestStep, 1.0);
    ChartAxis axis;
    axis.step = std::max(niceStep(high - low, wantedTicks), smallestStep);
    axis.low = std::floor(low / axis.step) * axis.step;
    axis.high = std::ceil(high / axis.step) * axis.step;
    return axis;
}

QString tickLabel(double value)
{
    // Ten digits hide the binary noise of multiples such as 3 x 0.1.
    return QString::number(std::abs(value) < 1e-12 ? 0.0 : value, 'g', 10);
}

QFont chartFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void beginChart(QPainter& painter, int width, const QString& title)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(chartFont(18, true));
    painter.setPen(chartTitleColor);
    painter.drawText(QRect(0, 12, width, 28), Qt::AlignCenter, title);
}

void drawPanelAxes(QPainter& painter, const QRect& area, const ChartAxis& xAxis,
                   const ChartAxis& yAxis, bool labelX, const QString& name)
{
    auto toX = [&](double value) {
        return area.left() + (value - xAxis.low) / (xAxis.high - xAxis.low) * area.width();
    };
    auto toY = [&](double value) {
        return area.bottom() - (value - yAxis.low) / (yAxis.high - yAxis.low) * area.height();
    };

    painter.setFont(chartFont(12));
    const QFontMetrics tickMetrics(painter.font());
    const int xTicks = static_cast<int>(std::lround((xAxis.high - xAxis.low) / xAxis.step));
    for (int k = 0; k <= xTicks; ++k) {
        const double value = xAxis.low + k * xAxis.step;
        const double x = toX(value);
        painter.setPen(QPen(chartGridColor, 1));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(chartAxisColor);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        if (labelX)
            painter.drawText(QRectF(x - 40, area.bottom() + 6, 80, tickMetrics.height()),
                             Qt::AlignHCenter | Qt::AlignTop, tickLabel(value));
    }
    const int yTicks = static_cast<int>(std::lround((yAxis.high - yAxis.low) / yAxis.step));
    for (int k = 0; k <= yTicks; ++k) {
        const double value = yAxis.low + k * yAxis.step;
        const double y = toY(value);
        painter.setPen(QPen(chartGridColor, 1));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(chartAxisColor);
        painter.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
        painter.drawText(
            QRectF(area.left() - 92, y - tickMetrics.height() / 2.0, 84, tickMetrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, tickLabel(value));
    }

    painter.setPen(QPen(chartAxisColor, 1.2));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());

    painter.setFont(chartFont(13));
    painter.save();
    painter.translate(area.left() - 64, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-area.height() / 2 - 20, -10, area.height() + 40, 20), Qt::AlignCenter,
                     name);
    painter.restore();
}

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

QString savePng(const QString& path, const QImage& image)
{
    const QByteArray bytes = pngBytes(image);
    if (bytes.isEmpty())
        return QStringLiteral("cannot encode %1 as PNG").arg(path);
    return writeFileAtomically(path, bytes);
}
