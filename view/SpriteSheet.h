#pragma once

#include <QPixmap>
#include <boost/shared_ptr.hpp>

// The process-wide sprite sheet: two 8 x 8 tiles side by side, the left one
// for second-species cells, the right one for first-species cells.
extern boost::shared_ptr<QPixmap> spriteSheet;

// Loads "pix.png" from the working directory. When that gives a null pixmap
// (missing, unreadable, not an image) the sheet built into the binary is used,
// so live cells stay visible wherever the program is started from.
void loadSpriteSheet();

// The built-in sheet's resource path.
inline constexpr const char* builtInSpriteSheet = ":/pix.png";
