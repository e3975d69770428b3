// What the engine asks of the board's drawing; render/board_drawing_win32.cpp draws for real,
// the platform-free tests link a recording fake instead.
#pragma once

enum class BallStyle { normal, selected };
enum class BallSize { board, preview };

// Empties the cell square at a centre pixel and draws a shaded ball there.
void draw_ball(int x, int y, int colour, BallStyle style, BallSize size);
// Fills the cell square at a centre pixel with the empty-cell grey.
void erase_cell(int x, int y);
// Draws the grid lines on the canvas.
void draw_grid();
