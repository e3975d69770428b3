// The board's picture in the module's memory, as the page hands it to a canvas: RGBA bytes,
// row by row from the top.
#pragma once

#include <cstdint>
#include <vector>

// Each side of the canvas at most: 4096 x 4096 pixels take 64 MiB, the most the module asks
// of the browser, and 4096 is wider than any screen the board is drawn for.
constexpr int32_t largest_canvas_side = 4096;

struct WebCanvas {
    int32_t width = 0;
    int32_t height = 0;
    // One pixel a value: red in the lowest byte, then green, blue and alpha (255), which
    // WebAssembly's little-endian memory holds in the order R, G, B, A.
    std::vector<uint32_t> pixels;
};

extern WebCanvas web_canvas;

// The pixel value of a colour in the program's 0x00BBGGRR layout: the same bytes, opaque.
constexpr uint32_t canvas_pixel(uint32_t colour) { return colour | 0xFF000000u; }

// Lays the board out for a canvas of width x height as the program does for a screen of that
// size, fills the shade tables and makes the canvas, filled with the background colour.
// False, with nothing changed, for a side outside 1..largest_canvas_side.
bool lay_out_canvas(int32_t width, int32_t height);

// Fills the rectangle at (left, top) of width x height with a colour, clipped to the canvas.
void fill_canvas_rect(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t colour);
// Puts a side x side picture of 0x00BBGGRR colours at (left, top), clipped to the canvas.
void put_canvas_picture(int32_t left, int32_t top, int32_t side, const uint32_t* colours);
