#pragma once

#include "records/ArchiveFormat.h"

#include <QWidget>

#include <array>
#include <optional>
#include <vector>

// The two populations of the duel chosen as thumbnails of their patterns:
// population 1 of its generation above population 2 of its own, each
// champion framed and the chosen members marked, and the members of the
// chosen member's line (its ancestors or descendants) framed in a colour of
// their own. A click on a member chooses it for its side of the duel.
class PopulationsPane : public QWidget
{
    Q_OBJECT

public:
    explicit PopulationsPane(QWidget* parent = nullptr);

    // Shows population 1 of `first` and population 2 of `second` (nothing of
    // a population whose generation is null).
    void setGenerations(const ArchivedGeneration* first, const ArchivedGeneration* second,
                        const PatternShape& shape);
    // Marks members (-1: the champion) without choosing anything.
    void setChosenMembers(int member1, int member2);
    // Frames the members of population 1 or 2 that `flags` flags, one a
    // member; none when empty.
    void setLineageFrames(int population, std::vector<char> flags);
    bool lineageFramed(int population, int member) const;
    // The colour of those frames.
    static QColor lineageFrameColor();

    // The generation population 1 or 2 is shown of, or 0.
    int shownGeneration(int population) const
    {
        const auto& generation = shown[static_cast<std::size_t>(population - 1)];
        return generation ? generation->generation : 0;
    }
    // The thumbnail of member `member` of population 1 or 2, in widget
    // coordinates; empty when not shown.
    QRect thumbnailRect(int population, int member) const;

    // What hovering over a member says: its population, generation and
    // index, its score where the record keeps every member's (otherwise the
    // champion's only), and whether it is the champion.
    QString memberToolTip(int population, int member) const;

signals:
    // Member `member` of population 1 or 2, chosen by a click.
    void memberChosen(int population, int member);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Layout {
        int columns = 1;
        int cellSize = 1;
        QSize thumbnail;
        // Between thumbnails, for the frames.
        int gap = 4;
        std::array<QRect, 2> sections;
    };
    Layout layout() const;
    // As tall as the thumbnails need at their smallest cells.
    void fitHeight();
    int memberAt(QPoint position, int& population) const;
    // The members of population 1 or 2 shown, none when it is not.
    int memberCount(int population) const;

    // The generations population 1 and population 2 are shown of.
    std::array<std::optional<ArchivedGeneration>, 2> shown;
    PatternShape shape;
    int chosen1 = -1;
    int chosen2 = -1;
    std::array<std::vector<char>, 2> lineage;
};
