// Board layout and shade tables from the screen size and the command-line screen fraction.
#pragma once

#include "render/geometry.h"

#include <cstdint>

// Smallest board width whose cells hold a ball with a rim and a preview ball:
// half_cell 4, ball_radius 2, preview radius 1.
constexpr int32_t smallest_sound_board_width = 115;

// The fraction the layout uses in place of the typed one. A fraction that is not a
// finite positive number counts as 1.0; one whose board would be narrower than
// smallest_sound_board_width is raised to the smallest that gives that width; one whose
// layout would not fit the panel's 16-bit dialog units (or 32-bit pixels) is lowered to
// the largest that fits. Every other fraction comes back unchanged.
float sound_screen_fraction(int32_t screen_width, int32_t screen_height, float fraction);

// The layout for a screen and a sound fraction. fraction becomes the share of the screen
// width actually used (board_width / screen_width in single precision).
Geometry layout_for_screen(int32_t screen_width, int32_t screen_height, float& fraction);

// Bounds the fraction, lays the board out into geometry and fills ball_shades.
void compute_layout_and_shades(int32_t screen_width, int32_t screen_height, float& fraction);
