#include "explorer/ThumbnailPainter.h"

#include "view/BoardPainting.h"
#include "view/SpriteSheet.h"

#include <QPainter>

ThumbnailPainter::ThumbnailPainter(PatternShape shape)
    : shape(shape), sheet(spriteSheet ? *spriteSheet : QPixmap()),
      cells(static_cast<std::size_t>(shape.cells()))
{
    board.setWidth(shape.width);
    board.setHeight(shape.height);
}

void ThumbnailPainter::paint(QPainter& painter, QPoint topLeft, const PackedPattern& pattern,
                             int population, int cellSize)
{
    unpackCells(pattern, cells.data(), shape);
    board.reset();
    for (int c = 0; c < shape.cells(); ++c)
        if (cells[static_cast<std::size_t>(c)] != 0)
            board.setCell(c % shape.width, c / shape.width, population);
    painter.save();
    painter.translate(topLeft);
    drawBoard(&painter, board, cellSize, sheet);
    painter.restore();
}
