#include "view/SpriteTiles.h"

namespace {

void drawTile(QImage& sheet, int left, const QColor& fill)
{
    const QColor rim = fill.darker(170);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool edge = x == 0 || y == 0 || x == 7 || y == 7;
            sheet.setPixelColor(left + x, y, edge ? rim : fill);
        }
}

} // namespace

QImage drawSpriteTiles()
{
    QImage sheet(16, 8, QImage::Format_ARGB32);
    drawTile(sheet, 0, secondSpeciesColor);
    drawTile(sheet, 8, firstSpeciesColor);
    return sheet;
}
