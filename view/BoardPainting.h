#pragma once

class Board;
class QPainter;
class QPixmap;

// Paints the board's cells from the painter's origin, `cellSize` pixels a
// cell (at least 1), live cells as `sheet`'s tiles scaled to the cell, empty
// cells white; leaves pen and brush as found. Any board, any painter: the
// window's view, a window of its own, an image.
void drawBoard(QPainter* painter, const Board& board, int cellSize, const QPixmap& sheet);
// The window's board: 8 pixels a cell and the process-wide sprite sheet.
void drawBoard(QPainter* painter, const Board& board);
