#pragma once

class Board;
class QPainter;

// Paints the board's cells with the sprite sheet at 8 pixels per cell; leaves
// pen and brush as found.
void drawBoard(QPainter* painter, const Board& board);
