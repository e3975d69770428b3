// The layout for the real screen, computed from the shell's screen values, and one solid brush
// per ball shade of it.
#pragma once

#include "render/ball_shades.h"

#include <windows.h>

// shade_brush[i][j] paints ball_shades.shade_colour[i][j], for shades 0..ring_count.
extern HBRUSH shade_brush[ball_colour_count][shade_capacity];

// Lays the board out from screen_width, screen_height and screen_fraction (which becomes
// the fraction actually used), fills the shade tables and makes their brushes.
void compute_geometry();
