#include "explorer/PopulationsPane.h"

#include "charts/ChartStyle.h"
#include "explorer/ThumbnailPainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace
{

// Fewer pixels a cell than this and a pattern cannot be read; the pane
// scrolls instead.
constexpr int smallestThumbnailCell = 3;
// Between thumbnails, room for the frames of the champion and the chosen.
constexpr int thumbnailGap = 4;
constexpr int minimumHeightAlone = 120;

const QColor championFrame(0xd0, 0x20, 0x20);
// Apart from both, and from the patterns' own colours.
const QColor lineageFrame(0x20, 0xa0, 0x40);

} // namespace

PopulationsPane::PopulationsPane(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(200, minimumHeightAlone);
    setMouseTracking(true);
}

void PopulationsPane::setGenerations(const ArchivedGeneration* first,
                                     const ArchivedGeneration* second,
                                     const PatternShape& patternShape)
{
    const ArchivedGeneration* generations[] = {first, second};
    for (std::size_t k = 0; k < 2; ++k)
        if (generations[k])
            shown[k] = *generations[k];
        else
            shown[k].reset();
    shape = patternShape;
    fitHeight();
    update();
}

void PopulationsPane::fitHeight()
{
    // Thumbnails of the smallest readable cells that do not fit make the
    // pane taller, to be scrolled.
    const int members = std::max(memberCount(1), memberCount(2));
    const QSize thumbnail(shape.width * smallestThumbnailCell,
                          shape.height * smallestThumbnailCell);
    const int columns = std::max(1, (width() - thumbnailGap) / (thumbnail.width() + thumbnailGap));
    const int rows = (members + columns - 1) / columns;
    const int needed = 2 * (thumbnailCaptionHeight + rows * (thumbnail.height() + thumbnailGap));
    setMinimumHeight(std::max(minimumHeightAlone, needed));
}

void PopulationsPane::resizeEvent(QResizeEvent*)
{
    fitHeight();
}

int PopulationsPane::memberCount(int population) const
{
    const auto& generation = shown[static_cast<std::size_t>(population - 1)];
    if (!generation)
        return 0;
    return static_cast<int>(population == 1 ? generation->population1.size()
                                            : generation->population2.size());
}

void PopulationsPane::setChosenMembers(int member1, int member2)
{
    chosen1 = member1;
    chosen2 = member2;
    update();
}

void PopulationsPane::setLineageFrames(int population, std::vector<char> flags)
{
    lineage[static_cast<std::size_t>(population - 1)] = std::move(flags);
    update();
}

bool PopulationsPane::lineageFramed(int population, int member) const
{
    const std::vector<char>& flags = lineage[static_cast<std::size_t>(population - 1)];
    return member >= 0 && static_cast<std::size_t>(member) < flags.size() &&
           flags[static_cast<std::size_t>(member)] != 0;
}

QColor PopulationsPane::lineageFrameColor()
{
    return lineageFrame;
}

// Both populations in sections of half the height each, thumbnails of the
// largest whole cell size at which every member fits.
PopulationsPane::Layout PopulationsPane::layout() const
{
    Layout result;
    const int members = std::max(memberCount(1), memberCount(2));
    const int sectionHeight = (height() - 2 * thumbnailCaptionHeight) / 2;
    for (int population = 0; population < 2; ++population)
        result.sections[static_cast<std::size_t>(population)] =
            QRect(0, thumbnailCaptionHeight + population * (sectionHeight + thumbnailCaptionHeight),
                  width(), sectionHeight);
    if (members == 0 || sectionHeight <= 0)
        return result;
    // The widest cell size for which the members fill rows of the section.
    for (int cellSize = 16; cellSize >= smallestThumbnailCell; --cellSize) {
        const QSize thumbnail(shape.width * cellSize, shape.height * cellSize);
        const int columns = std::max(1, (width() - result.gap) / (thumbnail.width() + result.gap));
        const int rows = (members + columns - 1) / columns;
        if (rows * (thumbnail.height() + result.gap) <= sectionHeight ||
            cellSize == smallestThumbnailCell) {
            result.cellSize = cellSize;
            result.thumbnail = thumbnail;
            result.columns = columns;
            break;
        }
    }
    return result;
}

QRect PopulationsPane::thumbnailRect(int population, int member) const
{
    if (population < 1 || population > 2 || member < 0 || member >= memberCount(population))
        return {};
    const Layout at = layout();
    const QRect section = at.sections[static_cast<std::size_t>(population - 1)];
    const int column = member % at.columns;
    const int row = member / at.columns;
    // A gap before the first column too, for the frame of a chosen member.
    return QRect(section.left() + at.gap + column * (at.thumbnail.width() + at.gap),
                 section.top() + row * (at.thumbnail.height() + at.gap), at.thumbnail.width(),
                 at.thumbnail.height());
}

int PopulationsPane::memberAt(QPoint position, int& population) const
{
    for (population = 1; population <= 2; ++population)
        for (int member = 0; member < memberCount(population); ++member)
            if (thumbnailRect(population, member).contains(position))
                return member;
    return -1;
}

void PopulationsPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!shown[0] && !shown[1]) {
        painter.drawText(rect(), Qt::AlignCenter, tr("No archived generation"));
        return;
    }
    const Layout at = layout();
    ThumbnailPainter thumbnails(shape);
    for (int population = 1; population <= 2; ++population) {
        const auto& generation = shown[static_cast<std::size_t>(population - 1)];
        if (!generation)
            continue;
        const auto& members = population == 1 ? generation->population1 : generation->population2;
        const int champion = population == 1 ? generation->champion1 : generation->champion2;
        const int chosen = population == 1 ? chosen1 : chosen2;
        const QRect section = at.sections[static_cast<std::size_t>(population - 1)];
        painter.setPen(palette().windowText().color());
        // Worded shorter in a narrow pane rather than cut off.
        const auto caption = [&](const QString& wording) {
            return wording.arg(population).arg(generation->generation).arg(champion);
        };
        drawFittedText(
            painter,
            QRect(0, section.top() - thumbnailCaptionHeight, width(), thumbnailCaptionHeight),
            Qt::AlignLeft | Qt::AlignVCenter,
            QStringList{caption(tr("Population %1, generation %2: champion %3 framed")),
                        caption(tr("Population %1, gen. %2, champion %3")),
                        caption(tr("Pop. %1, gen. %2, ch. %3"))});
        for (int member = 0; member < static_cast<int>(members.size()); ++member) {
            const QRect place = thumbnailRect(population, member);
            thumbnails.paint(painter, place.topLeft(), members[static_cast<std::size_t>(member)],
                             population, at.cellSize);
            const bool isChosen = member == (chosen < 0 ? champion : chosen);
            if (member == champion || isChosen) {
                painter.setPen(
                    QPen(member == champion ? championFrame : chosenFrameColor, isChosen ? 2 : 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(place.adjusted(-1, -1, 0, 0));
            }
            // Around the champion's or the chosen one's frame, so that a
            // member shows both; within half the gap, apart from the next
            // member's.
            if (lineageFramed(population, member)) {
                painter.setPen(QPen(lineageFrame, 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(place.adjusted(-2, -2, 1, 1));
            }
        }
    }
}

QString PopulationsPane::memberToolTip(int population, int member) const
{
    const auto& generation = shown[static_cast<std::size_t>(population - 1)];
    if (!generation || member < 0 || member >= memberCount(population))
        return {};
    const int champion = population == 1 ? generation->champion1 : generation->champion2;
    QString text = tr("population %1, generation %2, member %3")
                       .arg(population)
                       .arg(generation->generation)
                       .arg(member);
    // Every member's score where the record keeps them, the champion's only
    // otherwise.
    if (!generation->lineage.empty())
        text +=
            tr("\nscore %1")
                .arg(static_cast<double>(generation->lineage.score(population, member)), 0, 'g', 6);
    if (member == champion)
        text += generation->lineage.empty()
                    ? tr("\nthe champion, score %1")
                          .arg(static_cast<double>(population == 1 ? generation->championScore1
                                                                   : generation->championScore2),
                               0, 'g', 6)
                    : tr("\nthe champion");
    if (lineageFramed(population, member))
        text += tr("\non the line of the member followed");
    return text;
}

void PopulationsPane::mouseMoveEvent(QMouseEvent* event)
{
    int population = 0;
    const int member = memberAt(event->position().toPoint(), population);
    if (member < 0)
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), memberToolTip(population, member),
                           this);
}

void PopulationsPane::mousePressEvent(QMouseEvent* event)
{
    int population = 0;
    const int member = memberAt(event->position().toPoint(), population);
    if (member < 0)
        return;
    if (population == 1)
        chosen1 = member;
    else
        chosen2 = member;
    update();
    emit memberChosen(population, member);
}
