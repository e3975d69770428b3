// The whole board drawn again from the engine's state, for a canvas made anew.
#pragma once

// The grid, every cell with its ball (the selected one in its selected style) or empty, and
// the preview column. The program draws only what changes; a canvas laid out again for a new
// size has lost the picture and needs it whole.
void repaint_board();
