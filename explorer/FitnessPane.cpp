#include "explorer/FitnessPane.h"

#include "charts/FitnessPlot.h"
#include "explorer/FitnessLinesPainter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QThread>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace
{

const QColor cursorColour(0x20, 0x20, 0x20, 0x90);

} // namespace

FitnessPane::FitnessPane(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(320, 200);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    linesThread = new QThread(this);
    linesPainter = new FitnessLinesPainter;
    linesPainter->moveToThread(linesThread);
    connect(linesThread, &QThread::finished, linesPainter, &QObject::deleteLater);
    // Queued: the layers come from the painter's thread.
    connect(linesPainter, &FitnessLinesPainter::painted, this, &FitnessPane::receive);
    linesThread->start();
}

FitnessPane::~FitnessPane()
{
    // The layer in progress is painted to its end; nothing it sends is seen.
    linesPainter->supersede(++requests);
    disconnect(linesPainter, nullptr, this, nullptr);
    { const std::lock_guard<std::mutex> handOff(FitnessLinesPainter::handOffMutex()); }
    linesThread->quit();
    linesThread->wait();
}

void FitnessPane::setRecords(const QVector<GenerationRecord>& newRecords, const QString& newTitle,
                             FitnessSource newSource)
{
    const bool followedEnd = last >= static_cast<int>(records.size());
    const bool wasWhole = first <= 1 && followedEnd;
    records = newRecords;
    title = newTitle;
    source = newSource;
    ++recordsChanged;
    const int count = static_cast<int>(records.size());
    // A run that grows keeps its zoom, and a view of its end follows the end.
    if (wasWhole || count == 0) {
        first = 1;
        last = std::max(1, count);
    } else {
        last = followedEnd ? count : std::min(last, count);
        first = std::min(first, last);
    }
    cursor = std::clamp(cursor, count > 0 ? 1 : 0, count);
    cursor2 = std::clamp(cursor2, count > 0 ? 1 : 0, count);
    update();
}

void FitnessPane::setGenerations(int generation1, int generation2)
{
    if (generation1 == cursor && generation2 == cursor2)
        return;
    cursor = generation1;
    cursor2 = generation2;
    // The cursor stays in view.
    if (cursor > 0 && (cursor < first || cursor > last)) {
        const int span = last - first;
        first =
            std::clamp(cursor - span / 2, 1, std::max(1, static_cast<int>(records.size()) - span));
        last = first + span;
    }
    update();
}

double FitnessPane::cursorX(int generation) const
{
    return layout.panels.empty() ? -1.0 : layout.panels.front().toX(generation);
}

int FitnessPane::generationAt(double x) const
{
    if (layout.panels.empty() || records.isEmpty())
        return 0;
    const int generation = static_cast<int>(std::lround(layout.panels.front().fromX(x)));
    return std::clamp(generation, first, last);
}

void FitnessPane::choose(int generation)
{
    if (records.isEmpty())
        return;
    generation = std::clamp(generation, 1, static_cast<int>(records.size()));
    setGeneration(generation);
    emit generationChosen(generation);
}

QVector<GenerationRecord> FitnessPane::shownRecords() const
{
    return records.isEmpty() ? records : records.mid(first - 1, last - first + 1);
}

void FitnessPane::drawCursors(QPainter& painter, const ChartLayout& painted) const
{
    painter.setPen(QPen(cursorColour, 1));
    for (const int generation : {cursor, cursor2}) {
        if (generation < first || generation > last)
            continue;
        for (const ChartScale& panel : painted.panels) {
            const double x = panel.toX(generation);
            painter.drawLine(QPointF(x, panel.area.top()), QPointF(x, panel.area.bottom()));
        }
    }
}

ChartLayout FitnessPane::paintChart(QPainter& painter, const QRect& area) const
{
    const ChartLayout painted = paintFitnessPlot(painter, area, shownRecords(), title, source);
    drawCursors(painter, painted);
    return painted;
}

void FitnessPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    // A vector device keeps its lines as lines.
    if (painter.paintEngine()->type() != QPaintEngine::Raster) {
        layout = paintChart(painter, rect());
        return;
    }
    const QVector<GenerationRecord> shown = shownRecords();
    layout = paintFitnessFrame(painter, rect(), shown, title, source);
    const qreal pixelRatio = painter.device()->devicePixelRatioF();
    const LinesKey key{(QSizeF(size()) * pixelRatio).toSize(), pixelRatio, recordsChanged, first,
                       last};
    if (key != asked) {
        asked = key;
        const int number = ++requests;
        linesPainter->supersede(number);
        const std::lock_guard<std::mutex> handOff(FitnessLinesPainter::handOffMutex());
        QMetaObject::invokeMethod(
            linesPainter,
            [painter = linesPainter, number, key, layout = layout, shown] {
                { const std::lock_guard<std::mutex> takeOver(FitnessLinesPainter::handOffMutex()); }
                painter->paint(number, key.size, key.pixelRatio, layout, shown);
            },
            Qt::QueuedConnection);
    }
    // The lines of the chart before stand in for a moment, at the same size.
    if (!lines.isNull() && lines.size() == key.size)
        painter.drawImage(QPoint(0, 0), lines);
    drawCursors(painter, layout);
}

void FitnessPane::receive(const FitnessLines& painted)
{
    { const std::lock_guard<std::mutex> takeOver(FitnessLinesPainter::handOffMutex()); }
    if (painted.request != requests)
        return;
    lines = painted.image;
    linesRequest = painted.request;
    update();
}

void FitnessPane::waitForLines()
{
    grab();
    while (linesRequest != requests)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void FitnessPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !layout.panels.empty())
        choose(generationAt(event->position().x()));
}

void FitnessPane::mouseMoveEvent(QMouseEvent* event)
{
    const int generation = generationAt(event->position().x());
    if (generation < 1 || generation > static_cast<int>(records.size()))
        return;
    const GenerationRecord& record = records[generation - 1];
    QToolTip::showText(event->globalPosition().toPoint(),
                       tr("generation %1\naverage %2 / %3\nbest %4 / %5")
                           .arg(generation)
                           .arg(record.average1, 0, 'g', 6)
                           .arg(record.average2, 0, 'g', 6)
                           .arg(record.best1, 0, 'g', 6)
                           .arg(record.best2, 0, 'g', 6),
                       this);
}

void FitnessPane::wheelEvent(QWheelEvent* event)
{
    const int count = static_cast<int>(records.size());
    if (count < 2 || layout.panels.empty())
        return;
    const int pivot = generationAt(event->position().x());
    const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
    const int span =
        std::clamp(static_cast<int>(std::lround((last - first) * factor)), 1, count - 1);
    // The generation under the pointer stays under it.
    const double share = last > first ? double(pivot - first) / (last - first) : 0.5;
    first = std::clamp(pivot - static_cast<int>(std::lround(share * span)), 1, count - span);
    last = first + span;
    update();
}

void FitnessPane::keyPressEvent(QKeyEvent* event)
{
    const int stride = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    if (event->key() == Qt::Key_Left)
        choose(cursor - stride);
    else if (event->key() == Qt::Key_Right)
        choose(cursor + stride);
    else
        QWidget::keyPressEvent(event);
}
