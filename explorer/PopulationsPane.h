#pragma once

#include "records/ArchiveFormat.h"

#include <QWidget>

#include <optional>

// One archived generation's two populations as thumbnails of their
// patterns, population 1 above population 2, each champion framed and the
// chosen members marked. A click on a member of each chooses their duel.
class PopulationsPane : public QWidget
{
    Q_OBJECT

public:
    explicit PopulationsPane(QWidget* parent = nullptr);

    // Shows `generation` (nothing when null); the chosen members are kept
    // where they still exist.
    void setGeneration(const ArchivedGeneration* generation, const PatternShape& shape);
    // Marks members (-1: the champion) without choosing anything.
    void setChosenMembers(int member1, int member2);

    // The thumbnail of member `member` of population 1 or 2, in widget
    // coordinates; empty when not shown.
    QRect thumbnailRect(int population, int member) const;

signals:
    // Both populations' members, after a click chose one of either.
    void membersChosen(int member1, int member2);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Layout {
        int columns = 1;
        int cellSize = 1;
        QSize thumbnail;
        int gap = 2;
        std::array<QRect, 2> sections;
    };
    Layout layout() const;
    int memberAt(QPoint position, int& population) const;

    std::optional<ArchivedGeneration> shown;
    PatternShape shape;
    int chosen1 = -1;
    int chosen2 = -1;
};
