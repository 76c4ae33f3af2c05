#include "desktop/AppIcon.h"

#include "view/SpriteTiles.h"

#include <QPainter>
#include <QPainterPath>

QImage drawAppIcon(int size)
{
    // 'A' first species, 'B' second species, as in the multi-state RLE.
    static const char* const rows[] = {".A.....", "..A....", "AAA....", "....BB.",
                                       "...B..B", "....BB.", "......."};
    constexpr int cells = 7;
    const int cellSize = size / 8;
    const int margin = (size - cells * cellSize) / 2;
    const qreal scale = size / qreal(appIconSize);

    const QImage tiles = drawSpriteTiles();
    const QImage firstTile = tiles.copy(8, 0, 8, 8);
    const QImage secondTile = tiles.copy(0, 0, 8, 8);

    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath board;
    board.addRoundedRect(QRectF(scale, scale, size - 2 * scale, size - 2 * scale), 18 * scale,
                         18 * scale);
    painter.fillPath(board, Qt::white);
    painter.setPen(QPen(QColor(0xc8, 0xc8, 0xc8), 2 * scale));
    painter.drawPath(board);

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x) {
            const char cell = rows[y][x];
            if (cell == '.')
                continue;
            const QRect target(margin + x * cellSize, margin + y * cellSize, cellSize, cellSize);
            painter.drawImage(target, cell == 'A' ? firstTile : secondTile);
        }
    painter.end();
    return icon;
}
