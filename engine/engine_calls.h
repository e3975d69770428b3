// What the engine asks of the board's drawing. The Windows program defines these with
// real drawing; the native tests link small recording fakes instead.
#pragma once

enum class BallStyle { normal, selected };
enum class BallSize { board, preview };

// Empties the cell square at a centre pixel and draws a shaded ball there.
void draw_ball(int x, int y, int colour, BallStyle style, BallSize size);
// Fills the cell square at a centre pixel with the empty-cell grey.
void erase_cell(int x, int y);
// Draws the grid lines on the canvas.
void draw_grid();
// Empties all 64 cells on screen and in the state and draws the grid.
void reset_board();
// The message for a broken free-cell list; placement goes on after it.
void show_consistency_message();
