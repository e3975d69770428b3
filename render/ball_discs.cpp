// The boxes of a ball's outline and discs, and the disc map by the pixel-centre rule.
#include "render/ball_discs.h"

#include <cstddef>

EllipseBox ball_outline_box(int32_t x, int32_t y, int32_t radius) {
    return {x - radius + 1, y - radius + 1, x + radius + 1, y + radius + 1};
}

EllipseBox shading_disc_box(int32_t hx, int32_t hy, int32_t q) {
    return {hx - q, hy - q, hx + q, hy + q};
}

bool ellipse_holds(const EllipseBox& box, int32_t x, int32_t y) {
    // In doubled coordinates the pixel's centre and the box's centre are whole numbers.
    const int64_t w = int64_t(box.right) - box.left;
    const int64_t h = int64_t(box.bottom) - box.top;
    if (w <= 0 || h <= 0) {
        return false;
    }
    const int64_t dx = 2 * int64_t(x) + 1 - box.left - box.right;
    const int64_t dy = 2 * int64_t(y) + 1 - box.top - box.bottom;
    return dx * dx * h * h + dy * dy * w * w <= w * w * h * h;
}

void map_smallest_discs(int32_t side, BallMeasure measure, std::vector<uint8_t>& map) {
    const int32_t half = side / 2;
    const int32_t hx = half - highlight_offset_for(measure.radius);
    const EllipseBox outline = ball_outline_box(half, half, measure.radius);
    map.assign(size_t(side) * size_t(side), 0);
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            if (!ellipse_holds(outline, x, y)) {
                continue;
            }
            // Discs about one point nest: the first that holds the pixel is the smallest.
            for (int32_t q = 1; q <= measure.ring_count; ++q) {
                if (ellipse_holds(shading_disc_box(hx, hx, q), x, y)) {
                    map[size_t(y) * size_t(side) + size_t(x)] = uint8_t(q);
                    break;
                }
            }
        }
    }
}
