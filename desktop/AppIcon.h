#pragma once

#include <QImage>

constexpr int appIconSize = 128;

// The application icon, drawn from our own sprite tiles: a first-species
// glider heading for a second-species beehive on a white board.
QImage drawAppIcon();
