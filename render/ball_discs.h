// Where a ball's outline and shading discs lie, and which pixels they cover without a platform.
#pragma once

#include "render/ball_shading.h"

#include <cstdint>
#include <vector>

// An ellipse's bounding box in pixels, as the platform's elliptic regions take it: the right
// and bottom edges lie outside.
struct EllipseBox {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The outline that clips a ball of this radius centred on (x, y).
EllipseBox ball_outline_box(int32_t x, int32_t y, int32_t radius);
// The shading disc of size q about the highlight point (hx, hy).
EllipseBox shading_disc_box(int32_t hx, int32_t hy, int32_t q);

// The ellipse of a box as the platform's elliptic regions cover it: the box loses its right
// and bottom edges (a width or height below 2 leaves that rectangle), and each row of the
// ellipse in the rest, traced by Zingl's error stepping, holds the pixels between its ends.
struct EllipseRows {
    EllipseBox box;
    std::vector<int32_t> inset; // each row's pixels left out at either end, from the top
    bool holds(int32_t x, int32_t y) const;
};
EllipseRows ellipse_rows(const EllipseBox& box);

// Whether the pixel (x, y) belongs to the ellipse of the box.
bool ellipse_holds(const EllipseBox& box, int32_t x, int32_t y);

// For each pixel of a side x side cell square with the ball centred at (side / 2, side / 2),
// the size of the smallest shading disc, clipped to the outline, that holds it, or 0: the
// disc map of ball_picture.h, by ellipse_rows instead of a platform's regions.
void map_smallest_discs(int32_t side, BallMeasure measure, std::vector<uint8_t>& map);
