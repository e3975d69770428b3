// The board's fixed colours and the 0x00BBGGRR colour layout, without the platform headers.
#pragma once

#include <cstdint>

constexpr uint32_t rgb_colour(uint32_t red, uint32_t green, uint32_t blue) {
    return red | green << 8 | blue << 16;
}
constexpr uint32_t red_of(uint32_t colour) { return colour & 0xFF; }
constexpr uint32_t green_of(uint32_t colour) { return colour >> 8 & 0xFF; }
constexpr uint32_t blue_of(uint32_t colour) { return colour >> 16 & 0xFF; }

// Dark blue ground of the canvas and colour of the grid lines.
constexpr uint32_t background_colour = rgb_colour(0, 55, 111);
// Grey of an empty cell; ball rims blend towards this value in every channel.
constexpr uint32_t cell_grey = 205;
constexpr uint32_t cell_colour = rgb_colour(cell_grey, cell_grey, cell_grey);
