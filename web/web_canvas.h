// The board's picture in the module's memory, as the page hands it to a canvas: RGBA bytes,
// row by row from the top.
#pragma once

#include <cstdint>
#include <vector>

// Each side of the box the page offers at most, wider than any screen the board is drawn for.
// The canvas is no larger than the box, and small wherever the board stops growing (below): a
// box of 1056 by 4096 pixels, the most it can take, asks 16.5 MiB of the browser.
constexpr int32_t largest_canvas_side = 4096;

// The board's box, in cells: the grid with the preview column and a cell's margin to its
// left, a cell to its right (where the program's panel begins) and half a cell above and
// below. Its sides are these many cells and one pixel for the last grid line.
constexpr int32_t board_box_cells_across = 12;
constexpr int32_t board_box_cells_down = 9;
constexpr int32_t board_box_cells_left_of_grid = 3;

// The program's cells grow with its screen but its balls stop growing at this half cell
// (their radius reaches its cap of 40): a larger box gets a canvas of this board, which the
// page stretches.
constexpr int32_t largest_drawn_half_cell = 42;

struct WebCanvas {
    int32_t width = 0;
    int32_t height = 0;
    // The program's screen pixel at the canvas's top-left corner: the layout is the program's,
    // drawn with this shift.
    int32_t origin_x = 0;
    int32_t origin_y = 0;
    // One pixel a value: red in the lowest byte, then green, blue and alpha (255), which
    // WebAssembly's little-endian memory holds in the order R, G, B, A.
    std::vector<uint32_t> pixels;
};

extern WebCanvas web_canvas;

// The pixel value of a colour in the program's 0x00BBGGRR layout: the same bytes, opaque.
constexpr uint32_t canvas_pixel(uint32_t colour) { return colour | 0xFF000000u; }

// Lays the board out for a box of width x height pixels: the program's layout for the
// narrowest screen with the largest cells whose board box fits, centred in the canvas; fills
// the shade tables and makes the canvas, filled with the background colour. The canvas is the
// box, or smaller in the box's proportions where the drawn board stops growing. False, with
// nothing changed, for a side outside 1..largest_canvas_side.
bool lay_out_canvas(int32_t width, int32_t height);

// Fills the rectangle at screen pixel (left, top) of width x height with a colour, clipped
// to the canvas.
void fill_canvas_rect(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t colour);
// Puts a side x side picture of 0x00BBGGRR colours at screen pixel (left, top), clipped to
// the canvas.
void put_canvas_picture(int32_t left, int32_t top, int32_t side, const uint32_t* colours);
