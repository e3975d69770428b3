// The picture of one ball's cell square composed in memory from the disc regions' pixels.
#pragma once

#include "render/ball_shading.h"
#include "render/board_drawing.h"

#include <cstdint>

// A square cell picture, side x side pixels row by row, with the ball centred at
// (half, half), half = side / 2.
struct DiscMap {
    int32_t side;
    // For each pixel, the size q of the smallest clipped shading disc that holds it, or 0.
    const uint8_t* smallest_disc;
};

// What the plain drawing leaves in the cell square: the emptied grey square, the rim
// pixels blended with the grey, and over them each pixel of a disc in the shade of the
// smallest disc holding it (shade n - q in the normal style, q in the selected one).
// colours receives side x side 0x00BBGGRR values. Colour and measure must be in the tables.
void compose_ball_picture(const DiscMap& discs, BallMeasure measure, int colour, BallStyle style,
                          uint32_t* colours);
