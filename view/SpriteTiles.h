#pragma once

#include "board/SpeciesColours.h"

#include <QColor>
#include <QImage>

// The colours of our own sprite sheet.
inline const QColor firstSpeciesColor{QRgb(firstSpeciesRgb)};
inline const QColor secondSpeciesColor{QRgb(secondSpeciesRgb)};

// Draws the 16 x 8 sheet that "pix.png" holds: the left tile for the second
// species, the right tile for the first, each with a darker one-pixel rim.
QImage drawSpriteTiles();
