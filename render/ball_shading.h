// The arithmetic of a shaded ball: highlight point, preview size, rim walk, shade and blend.
#pragma once

#include "render/board_drawing.h"

#include <cstdint>

// About 1 / (2 * sqrt(2)): how far up and left of the centre a ball is lit, per unit radius.
constexpr double highlight_offset_factor = 0.3535534061865482091;

// To the nearest whole number, halves to even (the rounding of "%5.0f").
int32_t round_half_even(double v);

// The highlight offset of a ball of radius r.
int32_t highlight_offset_for(int32_t radius);

// The radius and the number of shading discs of a ball of the given size.
struct BallMeasure {
    int32_t radius;
    int32_t ring_count;
};
BallMeasure ball_measure(int32_t ball_radius, int32_t ring_count, BallSize size);

// Receives one rim pixel and its coverage, 0..1.
using RimPlot = void (*)(int32_t px, int32_t py, double coverage);

// Wu's antialiased circle of radius R about (cx, cy), one octant mirrored eight ways:
// each step's outer pixel gets coverage 1 - T and the inner one T.
void walk_rim(int32_t cx, int32_t cy, int32_t radius, RimPlot plot);

// The shade of a rim pixel: one per pixel of distance from the highlight point, counted
// down from 1.5 r in the normal style and up from 0 in the selected one.
int32_t rim_shade_index(int32_t highlight_x, int32_t highlight_y, int32_t px, int32_t py,
                        int32_t radius, BallStyle style);

// A shade blended with the cell grey by the pixel's coverage, each channel truncated.
uint32_t blend_with_cell_grey(uint32_t colour, double coverage);
