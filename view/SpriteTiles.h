#pragma once

#include <QColor>
#include <QImage>

// The colours of our own sprite sheet, also used wherever a population is
// shown in its colour (charts, icons).
inline const QColor firstSpeciesColor(0x2f, 0x80, 0xed);
inline const QColor secondSpeciesColor(0xf2, 0x99, 0x1a);

// Draws the 16 x 8 sheet that "pix.png" holds: the left tile for the second
// species, the right tile for the first, each with a darker one-pixel rim.
QImage drawSpriteTiles();
