// The board paints itself with the view's sprite sheet; this lives with the
// view so that the board itself needs nothing of the sheet.
#include "board/StepThread.h"
#include "view/SpriteSheet.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

void StepThread::draw(QPainter* painter) const
{
    const QPen savedPen = painter->pen();
    const QBrush savedBrush = painter->brush();
    const QRect firstTile(8, 0, 8, 8);
    const QRect secondTile(0, 0, 8, 8);
    // Without a sheet (a board painted before the window loaded one) live
    // cells are left unpainted rather than dereferencing nothing.
    const QPixmap sheet = spriteSheet ? *spriteSheet : QPixmap();

    painter->setPen(QColor(Qt::red));
    painter->setBrush(QBrush(Qt::red));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (currentGrid[x + width * y] == 1)
                painter->drawPixmap(QPoint(8 * x, 8 * y), sheet, firstTile);

    painter->setPen(QColor(Qt::green));
    painter->setBrush(QBrush(Qt::green));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (currentGrid[x + width * y] == 2)
                painter->drawPixmap(QPoint(8 * x, 8 * y), sheet, secondTile);

    // A 7 x 7 QRect stroked with a one-pixel pen covers the whole 8 x 8 cell.
    painter->setPen(QColor(Qt::white));
    painter->setBrush(QBrush(Qt::white));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (currentGrid[x + width * y] == 0) {
                const QRect cell(QPoint(8 * x, 8 * y), QPoint(8 * x + 6, 8 * y + 6));
                painter->drawRects(&cell, 1);
            }

    painter->setPen(savedPen);
    painter->setBrush(savedBrush);
}
