#pragma once

#include <QImage>

constexpr int appIconSize = 128;
// The sizes the icon is installed in, as a desktop and a software centre ask
// for them.
constexpr int appIconSizes[] = {48, 64, 128, 256};

// The application icon, `size` pixels square, drawn from our own sprite
// tiles: a first-species glider heading for a second-species beehive on a
// white board. Each 8 x 8 tile takes size / 8 pixels a side, pixel for pixel
// wherever that is a whole multiple of 8.
QImage drawAppIcon(int size = appIconSize);
