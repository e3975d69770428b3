// Ball shading arithmetic, kept apart from the drawing calls so it is checked on its own.
#include "render/ball_shading.h"

#include "render/colours.h"

#include <cmath>

int32_t round_half_even(double v) {
    // The default rounding mode is to nearest with ties to even, as the formatter uses.
    return int32_t(std::nearbyint(v));
}

int32_t highlight_offset_for(int32_t radius) {
    return round_half_even(double(radius) * highlight_offset_factor);
}

BallMeasure ball_measure(int32_t ball_radius, int32_t ring_count, BallSize size) {
    if (size == BallSize::preview) {
        return {ball_radius * 4 / 5, ring_count * 4 / 5 + 1};
    }
    return {ball_radius, ring_count};
}

void walk_rim(int32_t cx, int32_t cy, int32_t radius, RimPlot plot) {
    const int32_t r = radius;
    if (r == 0) {
        plot(cx, cy, 1.0);
        return;
    }
    int32_t x = r;
    int32_t y = 0;
    double prev_t = 0.0;
    int32_t prev_x = r;
    plot(cx - r, cy, 1.0);
    plot(cx, cy - r, 1.0);
    plot(cx + r, cy, 1.0);
    plot(cx, cy + r, 1.0);
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
            plot(cx + sx * x, cy + sy * y, 1.0 - t);
            plot(cx + sx * y, cy + sy * x, 1.0 - t);
            if (y <= x - 1) {
                plot(cx + sx * (x - 1), cy + sy * y, t);
                plot(cx + sx * y, cy + sy * (x - 1), t);
            }
        }
        prev_t = t;
        prev_x = x;
    }
}

int32_t rim_shade_index(int32_t highlight_x, int32_t highlight_y, int32_t px, int32_t py,
                        int32_t radius, BallStyle style) {
    const double dx = double(highlight_x - px);
    const double dy = double(highlight_y - py);
    const double d = std::sqrt(dx * dx + dy * dy);
    const double v = style == BallStyle::normal ? 1.5 * radius - d : d;
    return round_half_even(v);
}

uint32_t blend_with_cell_grey(uint32_t colour, double coverage) {
    const double a = coverage;
    auto blend = [a](uint32_t c) { return uint32_t(c * a + (1.0 - a) * cell_grey); };
    return rgb_colour(blend(red_of(colour)), blend(green_of(colour)), blend(blue_of(colour)));
}
