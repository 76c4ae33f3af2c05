#include "view/BoardPainting.h"

#include "board/Board.h"
#include "view/SpriteSheet.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

namespace
{

// One pass over the board for the cells of `code`, in the pen and brush the
// window has always set for that code.
template <typename PaintCell>
void paintCellsOf(QPainter* painter, const Board& board, int code, const QColor& colour,
                  PaintCell paintCell)
{
    painter->setPen(colour);
    painter->setBrush(QBrush(colour));
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            if (board.cellAt(x, y) == code)
                paintCell(QPoint(8 * x, 8 * y));
}

} // namespace

void drawBoard(QPainter* painter, const Board& board)
{
    const QPen savedPen = painter->pen();
    const QBrush savedBrush = painter->brush();
    const QRect firstTile(8, 0, 8, 8);
    const QRect secondTile(0, 0, 8, 8);
    // Without a sheet (a board painted before the window loaded one) live
    // cells are left unpainted rather than dereferencing nothing.
    const QPixmap sheet = spriteSheet ? *spriteSheet : QPixmap();

    paintCellsOf(painter, board, 1, QColor(Qt::red),
                 [&](QPoint corner) { painter->drawPixmap(corner, sheet, firstTile); });
    paintCellsOf(painter, board, 2, QColor(Qt::green),
                 [&](QPoint corner) { painter->drawPixmap(corner, sheet, secondTile); });
    // A 7 x 7 QRect stroked with a one-pixel pen covers the whole 8 x 8 cell.
    paintCellsOf(painter, board, 0, QColor(Qt::white), [&](QPoint corner) {
        const QRect cell(corner, corner + QPoint(6, 6));
        painter->drawRects(&cell, 1);
    });

    painter->setPen(savedPen);
    painter->setBrush(savedBrush);
}
