// Reads the board of the real program off a screenshot and finds good moves on it, for
// end-to-end tests on a 1024 x 768 screen at fraction 1.0.
#pragma once

#include "render/screen_layout.h"
#include "tests/e2e/e2e_driver.h"

#include <array>

// The layout the program computes for the end-to-end screen.
inline Geometry e2e_layout() {
    float fraction = 1.0f;
    return layout_for_screen(1024, 768, fraction);
}
inline const int cell0_x = e2e_layout().cell0_centre_x;
inline const int cell0_y = e2e_layout().cell0_centre_y;
inline const int cell_size = e2e_layout().cell_size;
constexpr int empty_cell = -1, unknown_pixel = -2;

using Board = std::array<int, 64>; // column * 8 + row: colour index, or empty_cell

struct Move {
    int from, to, run; // run: the longest run of the ball's colour the move makes
};

// A pixel's ball colour, empty_cell for the cell grey, unknown_pixel for anything else.
int classify(uint32_t rgb);
int pixel_colour(const Screenshot& shot, const BoardArea& area, int x, int y);
Board read_board(const Screenshot& shot, const BoardArea& area);
int balls(const Board& board);
// The reachable move whose target makes the longest run of its colour.
Move best_move(Board board);
// Clicks a cell and waits until the picture has changed and settled; false if it did not change.
bool click_cell(int cell);
