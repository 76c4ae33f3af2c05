#pragma once
// Helpers for the tests of what paints: the charts, the view and the panes.

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>

#include <functional>
#include <vector>

// A piece of text a painting drew and the rectangle it covers on the device:
// its advance, from its ascent to its descent, through the painter's
// transformation.
struct PaintedText {
    QString text;
    QRectF rect;
};

// A device that keeps the text painted on it and draws nothing else: what a
// chart or a pane wrote, and where, read back from the painting itself.
class TextRecordingDevice : public QPaintDevice
{
public:
    explicit TextRecordingDevice(const QSize& size) : size(size) {}
    QPaintEngine* paintEngine() const override { return &engine; }
    const std::vector<PaintedText>& texts() const { return engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return size.width();
        case PdmHeight:
            return size.height();
        case PdmWidthMM:
            return size.width() * 254 / 960;
        case PdmHeightMM:
            return size.height() * 254 / 960;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 96;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override
        {
            if (state.state() & QPaintEngine::DirtyTransform)
                transform = state.transform();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&,
                       Qt::ImageConversionFlags) override
        {
        }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawRects(const QRectF*, int) override {}
        void drawLines(const QLineF*, int) override {}
        void drawEllipse(const QRectF&) override {}
        void drawTextItem(const QPointF& point, const QTextItem& item) override
        {
            const QFontMetricsF metrics(item.font());
            const QRectF rect(point.x(), point.y() - metrics.ascent(), item.width(),
                              metrics.ascent() + metrics.descent());
            texts.push_back({item.text(), transform.mapRect(rect)});
        }
        Type type() const override { return QPaintEngine::User; }

        std::vector<PaintedText> texts;
        QTransform transform;
    };

    QSize size;
    mutable Engine engine;
};

// The texts `paint` draws into a device of `size`.
inline std::vector<PaintedText> paintedTexts(const QSize& size,
                                             const std::function<void(QPainter&)>& paint)
{
    TextRecordingDevice device(size);
    QPainter painter(&device);
    paint(painter);
    painter.end();
    return device.texts();
}

// The first problem with texts painted in `area`: one outside it, two on
// top of each other (beyond a pixel of their line's leading), or, where
// `whole`, one shortened with an ellipsis; empty when there is none.
inline QString textLayoutProblem(const std::vector<PaintedText>& texts, const QRectF& area,
                                 bool whole)
{
    const auto ink = [](const QRectF& rect) { return rect.adjusted(1, 1, -1, -1); };
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const PaintedText& text = texts[k];
        if (!area.adjusted(-0.5, -0.5, 0.5, 0.5).contains(text.rect))
            return QStringLiteral("'%1' leaves the pane").arg(text.text);
        if (whole && text.text.contains(QChar(0x2026)))
            return QStringLiteral("'%1' is cut").arg(text.text);
        for (std::size_t other = 0; other < k; ++other)
            if (ink(text.rect).intersects(ink(texts[other].rect)))
                return QStringLiteral("'%1' overlaps '%2'").arg(text.text, texts[other].text);
    }
    return {};
}
