#include "explorer/LineageStripPane.h"

#include "charts/ChartStyle.h"
#include "explorer/ThumbnailPainter.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <QToolTip>

#include <algorithm>

namespace
{

constexpr int margin = 4;
// Room for the operator's mark between two thumbnails.
constexpr int markWidth = 14;
// Small enough to leave the populations their room, large enough to read a
// pattern of the window's size.
constexpr int largestThumbnailHeight = 30;
constexpr int largestCell = 4;

QString markOf(BreedingOperator breedingOperator)
{
    switch (breedingOperator) {
    case BreedingOperator::Mutation:
        return QStringLiteral("m");
    case BreedingOperator::Crossover:
        return QStringLiteral("x");
    case BreedingOperator::Copy:
        return QStringLiteral("=");
    }
    return {};
}

} // namespace

LineageStripPane::LineageStripPane(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    viewport()->setMouseTracking(true);
    shownMessage = tr("Click a member to follow its line of descent");
}

void LineageStripPane::setLine(int population, std::vector<DescentStep> line,
                               std::vector<PackedPattern> linePatterns, PatternShape patternShape)
{
    linePopulation = population;
    steps = std::move(line);
    patterns = std::move(linePatterns);
    shape = patternShape;
    shownMessage.clear();
    updateGeometry();
    updateScrollRange();
    horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
    viewport()->update();
}

void LineageStripPane::setMessage(const QString& message)
{
    steps.clear();
    patterns.clear();
    shownMessage = message;
    updateScrollRange();
    viewport()->update();
}

void LineageStripPane::setSelectedStep(int generation, int member)
{
    if (generation == selectedGeneration && member == selectedMember)
        return;
    selectedGeneration = generation;
    selectedMember = member;
    // Stepping along the line (Left on the fitness chart) walks the strip.
    if (!steps.empty()) {
        const int step = generation - steps.front().generation;
        if (step >= 0 && step < static_cast<int>(steps.size()) &&
            steps[static_cast<std::size_t>(step)].member == member)
            scrollToStep(step);
    }
    viewport()->update();
}

int LineageStripPane::cellSize() const
{
    return std::clamp(largestThumbnailHeight / std::max(1, shape.height), 1, largestCell);
}

QSize LineageStripPane::thumbnailSize() const
{
    return QSize(shape.width * cellSize(), shape.height * cellSize());
}

int LineageStripPane::pitch() const
{
    // The widest generation number is the last one's.
    const int label =
        steps.empty() ? 0
                      : fontMetrics().horizontalAdvance(QString::number(steps.back().generation));
    return std::max(thumbnailSize().width() + markWidth, label + 6);
}

int LineageStripPane::contentHeight() const
{
    const int thumbnail = std::max(thumbnailSize().height(), largestThumbnailHeight);
    return thumbnailCaptionHeight + thumbnail + fontMetrics().height() + 2 * margin;
}

QSize LineageStripPane::sizeHint() const
{
    return QSize(400, minimumSizeHint().height());
}

QSize LineageStripPane::minimumSizeHint() const
{
    // The scroll bar below the steps, when they overflow, takes no step's room.
    return QSize(100, contentHeight() + horizontalScrollBar()->sizeHint().height());
}

void LineageStripPane::updateScrollRange()
{
    const int count = static_cast<int>(steps.size());
    const int width = count == 0 ? 0 : 2 * margin + (count - 1) * pitch() + thumbnailSize().width();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(pitch());
}

void LineageStripPane::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

QRect LineageStripPane::thumbnailRect(int step) const
{
    if (step < 0 || step >= static_cast<int>(steps.size()))
        return {};
    return QRect(QPoint(margin + step * pitch() - horizontalScrollBar()->value(),
                        thumbnailCaptionHeight + margin),
                 thumbnailSize());
}

void LineageStripPane::scrollToStep(int step)
{
    const QRect place = thumbnailRect(step);
    if (place.isEmpty())
        return;
    const int scroll = horizontalScrollBar()->value();
    if (place.left() < 0 || place.right() >= viewport()->width())
        horizontalScrollBar()->setValue(scroll + place.center().x() - viewport()->width() / 2);
}

int LineageStripPane::stepAt(QPoint position) const
{
    if (steps.empty())
        return -1;
    const int step = (position.x() + horizontalScrollBar()->value() - margin) / pitch();
    return thumbnailRect(step).contains(position) ? step : -1;
}

void LineageStripPane::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().window());
    painter.setPen(palette().windowText().color());
    const QRect captionRect(margin, 0, viewport()->width() - 2 * margin, thumbnailCaptionHeight);
    if (steps.empty()) {
        drawFittedText(painter, captionRect, Qt::AlignLeft | Qt::AlignVCenter, shownMessage);
        return;
    }
    const DescentStep& last = steps.back();
    const auto caption = [&](const QString& wording) {
        const QString filled = wording.arg(linePopulation).arg(last.member).arg(last.generation);
        return filled.contains(QLatin1String("%4")) ? filled.arg(steps.size()) : filled;
    };
    drawFittedText(
        painter, captionRect, Qt::AlignLeft | Qt::AlignVCenter,
        QStringList{caption(tr("Line of descent of population %1's member %2 of generation %3, "
                               "%4 generations along first parents (m mutation, x crossover, "
                               "= copy)")),
                    caption(tr("Line of pop. %1's member %2, gen. %3: %4 generations (m, x, =)")),
                    caption(tr("Pop. %1, member %2, gen. %3: %4 steps")),
                    caption(tr("Pop. %1, member %2, gen. %3"))});
    // Only the steps in view.
    const int scroll = horizontalScrollBar()->value();
    const int step = pitch();
    const int count = static_cast<int>(steps.size());
    const int first = std::clamp((event->rect().left() + scroll - margin) / step - 1, 0, count - 1);
    const int lastShown =
        std::clamp((event->rect().right() + scroll - margin) / step + 1, 0, count - 1);
    ThumbnailPainter thumbnails(shape);
    const int labelTop = thumbnailCaptionHeight + margin + thumbnailSize().height() + 1;
    for (int k = first; k <= lastShown; ++k) {
        const DescentStep& shown = steps[static_cast<std::size_t>(k)];
        const QRect place = thumbnailRect(k);
        thumbnails.paint(painter, place.topLeft(), patterns[static_cast<std::size_t>(k)],
                         linePopulation, cellSize());
        if (shown.generation == selectedGeneration && shown.member == selectedMember) {
            painter.setPen(QPen(chosenFrameColor, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(place.adjusted(-1, -1, 0, 0));
        }
        painter.setPen(palette().windowText().color());
        if (shown.birth && k > 0)
            painter.drawText(QRect(place.left() - (step - place.width()), place.top(),
                                   step - place.width(), place.height()),
                             Qt::AlignCenter, markOf(shown.birth->breedingOperator));
        painter.drawText(
            QRect(place.center().x() - step / 2, labelTop, step, fontMetrics().height()),
            Qt::AlignHCenter | Qt::AlignTop, QString::number(shown.generation));
    }
}

QString LineageStripPane::stepToolTip(int step) const
{
    if (step < 0 || step >= static_cast<int>(steps.size()))
        return {};
    const DescentStep& shown = steps[static_cast<std::size_t>(step)];
    QString text = tr("population %1, generation %2, member %3")
                       .arg(linePopulation)
                       .arg(shown.generation)
                       .arg(shown.member);
    if (shown.score)
        text += tr("\nscore %1").arg(static_cast<double>(*shown.score), 0, 'g', 6);
    if (shown.champion)
        text += tr("\nthe champion");
    if (!shown.birth)
        text += tr("\nno birth recorded");
    else if (shown.birth->mate >= 0)
        text += tr("\nbred by %1 of member %2 with member %3")
                    .arg(QString::fromLatin1(operatorName(shown.birth->breedingOperator)))
                    .arg(shown.birth->parent)
                    .arg(shown.birth->mate);
    else
        text += tr("\nbred by %1 from member %2")
                    .arg(QString::fromLatin1(operatorName(shown.birth->breedingOperator)))
                    .arg(shown.birth->parent);
    return text;
}

bool LineageStripPane::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int step = stepAt(help->pos());
        if (step < 0)
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), stepToolTip(step), viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void LineageStripPane::mousePressEvent(QMouseEvent* event)
{
    const int step = stepAt(event->position().toPoint());
    if (step < 0)
        return;
    const DescentStep& chosen = steps[static_cast<std::size_t>(step)];
    emit ancestorChosen(linePopulation, chosen.generation, chosen.member);
}
