#pragma once

#include "board/Board.h"
#include "board/Pattern.h"
#include "records/PackedPattern.h"

#include <QColor>
#include <QPixmap>
#include <QPoint>

#include <vector>

class QPainter;

// What the panes of thumbnails share: the caption above a row of them and
// the frame of the member chosen.
inline constexpr int thumbnailCaptionHeight = 18;
inline const QColor chosenFrameColor(0x20, 0x20, 0x20);

// Paints packed patterns as the board paints its cells, one thumbnail after
// another through one scratch board: the panes that show members as
// thumbnails.
class ThumbnailPainter
{
public:
    explicit ThumbnailPainter(PatternShape shape);

    // `pattern`'s live cells as population 1 or 2's, `cellSize` pixels a
    // cell, its top left corner at `topLeft`.
    void paint(QPainter& painter, QPoint topLeft, const PackedPattern& pattern, int population,
               int cellSize);

private:
    PatternShape shape;
    QPixmap sheet;
    Board board;
    std::vector<int> cells;
};
