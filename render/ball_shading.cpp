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
