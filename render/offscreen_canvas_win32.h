// The off-screen canvas behind the board window, the board window's kept device context, and
// the painting of one cell square on both.
#pragma once

#include <windows.h>

#include <cstdint>

struct OffscreenCanvas {
    HDC canvas_dc;                 // memory context holding canvas_bitmap and the cell brush
    HBITMAP canvas_bitmap;         // canvas_width x canvas_height
    HBITMAP canvas_initial_bitmap; // put back before canvas_dc is deleted
    int32_t canvas_width;
    int32_t canvas_height;
    HDC window_dc;    // the board window's context, held for its whole life
    HRGN cell_region; // the inside of one cell; moved, never remade
    int32_t cell_region_x;
    int32_t cell_region_y;
    HPEN grid_pen;
};

extern OffscreenCanvas offscreen_canvas;

// Builds the canvas for a board window at its current client size and makes the cell
// square: the canvas is filled with the background colour, and from then on both
// contexts paint with the cell colour. Needs the geometry.
void create_offscreen_canvas(HWND window);
// Releases the canvas context and bitmap.
void destroy_offscreen_canvas();
// Fills the cell square centred on (x, y) with the cell colour, on the canvas and the window
// alike: an empty cell, or the ground a ball is drawn on.
void paint_cell_square(int32_t x, int32_t y);
// Enlarges the canvas to cover a client area of width x height, keeping its picture;
// the new area is cell-coloured. Never shrinks; keeps the old canvas if it cannot grow.
void grow_offscreen_canvas(HWND window, int32_t width, int32_t height);
