#include "explorer/FitnessLinesPainter.h"

#include "charts/FitnessPlot.h"

#include <QPainter>

void FitnessLinesPainter::paint(int request, const QSize& size, qreal pixelRatio,
                                const ChartLayout& layout,
                                const QVector<GenerationRecord>& records)
{
    if (request != newest.load())
        return;
    FitnessLines lines{request, QImage(size, QImage::Format_ARGB32_Premultiplied)};
    lines.image.setDevicePixelRatio(pixelRatio);
    lines.image.fill(Qt::transparent);
    {
        QPainter painter(&lines.image);
        paintFitnessLines(painter, layout, records);
    }
    const std::lock_guard<std::mutex> handOff(handOffMutex());
    emit painted(lines);
}
