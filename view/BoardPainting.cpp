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
void paintCellsOf(QPainter* painter, const Board& board, int cellSize, int code,
                  const QColor& colour, PaintCell paintCell)
{
    painter->setPen(colour);
    painter->setBrush(QBrush(colour));
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            if (board.cellAt(x, y) == code)
                paintCell(QPoint(cellSize * x, cellSize * y));
}

} // namespace

void drawBoard(QPainter* painter, const Board& board, int cellSize, const QPixmap& sheet)
{
    const QPen savedPen = painter->pen();
    const QBrush savedBrush = painter->brush();
    const QRect firstTile(8, 0, 8, 8);
    const QRect secondTile(0, 0, 8, 8);
    const QSize cell(cellSize, cellSize);

    paintCellsOf(painter, board, cellSize, 1, QColor(Qt::red), [&](QPoint corner) {
        painter->drawPixmap(QRect(corner, cell), sheet, firstTile);
    });
    paintCellsOf(painter, board, cellSize, 2, QColor(Qt::green), [&](QPoint corner) {
        painter->drawPixmap(QRect(corner, cell), sheet, secondTile);
    });
    // A (c - 1) x (c - 1) QRect stroked with a one-pixel pen covers the whole
    // c x c cell; a cell of one pixel is a point.
    paintCellsOf(painter, board, cellSize, 0, QColor(Qt::white), [&](QPoint corner) {
        if (cellSize == 1) {
            painter->drawPoint(corner);
            return;
        }
        const QRect empty(corner, corner + QPoint(cellSize - 2, cellSize - 2));
        painter->drawRects(&empty, 1);
    });

    painter->setPen(savedPen);
    painter->setBrush(savedBrush);
}

void drawBoard(QPainter* painter, const Board& board)
{
    // Without a sheet (a board painted before the window loaded one) live
    // cells are left unpainted rather than dereferencing nothing.
    drawBoard(painter, board, 8, spriteSheet ? *spriteSheet : QPixmap());
}
