// The arithmetic of a shaded ball: highlight point, preview size, rim walk, shade and blend.
#pragma once

#include "render/board_drawing.h"

#include <cmath>
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

// Receives one rim pixel and its coverage, 0..1, with the ball it belongs to: whatever the
// drawing needs to shade and place the pixel.
template <typename Ball>
using RimPlot = void (*)(Ball& ball, int32_t px, int32_t py, double coverage);

// Wu's antialiased circle of radius R about (cx, cy), one octant mirrored eight ways:
// each step's outer pixel gets coverage 1 - T and the inner one T.
template <typename Ball>
void walk_rim(int32_t cx, int32_t cy, int32_t radius, Ball& ball, RimPlot<Ball> plot) {
    const int32_t r = radius;
    if (r == 0) {
        plot(ball, cx, cy, 1.0);
        return;
    }
    int32_t x = r;
    int32_t y = 0;
    double prev_t = 0.0;
    int32_t prev_x = r;
    plot(ball, cx - r, cy, 1.0);
    plot(ball, cx, cy - r, 1.0);
    plot(ball, cx + r, cy, 1.0);
    plot(ball, cx, cy + r, 1.0);
    static const int32_t quadrants[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    while (y < x) {
        ++y;
        const double e = std::sqrt(double(r) * r - double(y) * y);
        const double t = std::ceil(e) - e;
        if (t < prev_t) {
            --x; // the circle has moved one pixel inwards
        }
        if (y > x || (y == x && x == prev_x)) {
            break;
        }
        for (const auto& q : quadrants) {
            const int32_t sx = q[0];
            const int32_t sy = q[1];
            plot(ball, cx + sx * x, cy + sy * y, 1.0 - t);
            plot(ball, cx + sx * y, cy + sy * x, 1.0 - t);
            if (y <= x - 1) {
                plot(ball, cx + sx * (x - 1), cy + sy * y, t);
                plot(ball, cx + sx * y, cy + sy * (x - 1), t);
            }
        }
        prev_t = t;
        prev_x = x;
    }
}

// The shade of a rim pixel: one per pixel of distance from the highlight point, counted
// down from 1.5 r in the normal style and up from 0 in the selected one.
int32_t rim_shade_index(int32_t highlight_x, int32_t highlight_y, int32_t px, int32_t py,
                        int32_t radius, BallStyle style);

// A shade blended with the cell grey by the pixel's coverage, each channel truncated.
uint32_t blend_with_cell_grey(uint32_t colour, double coverage);
