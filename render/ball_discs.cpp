// The boxes of a ball's outline and discs, the rows the platform's regions cover, and the
// disc map by them.
#include "render/ball_discs.h"

#include <algorithm>
#include <cstddef>

EllipseBox ball_outline_box(int32_t x, int32_t y, int32_t radius) {
    return {x - radius + 1, y - radius + 1, x + radius + 1, y + radius + 1};
}

EllipseBox shading_disc_box(int32_t hx, int32_t hy, int32_t q) {
    return {hx - q, hy - q, hx + q, hy + q};
}

EllipseRows ellipse_rows(const EllipseBox& box) {
    EllipseRows rows{box, {}};
    const int32_t width = box.right - 1 - box.left;
    const int32_t height = box.bottom - 1 - box.top;
    if (width <= 0 || height <= 0) {
        return rows;
    }
    rows.inset.assign(size_t(height), 0);
    if (width < 2 || height < 2) {
        return rows; // a rectangle
    }
    // The lower half, from the middle row down: x steps in while the error allows, and each
    // step down a row records how far in the row's end lies. Twice the error decides, in
    // 64 bits, as the squares of a 4K screen's ellipses need.
    const int64_t a = width - 1;
    const int64_t b = height - 1;
    int64_t step_x = 4 * b * b * (1 - a);
    int64_t step_y = 4 * a * a * (1 + b % 2);
    int64_t error = step_x + step_y + a * a * (b % 2);
    int32_t in = 0;
    size_t row = size_t(height / 2);
    while (in <= width / 2) {
        const int64_t doubled = 2 * error;
        if (doubled >= step_x) {
            ++in;
            step_x += 8 * b * b;
            error += step_x;
        }
        if (doubled <= step_y) {
            ++row;
            step_y += 8 * a * a;
            error += step_y;
            if (row < rows.inset.size()) {
                rows.inset[row] = in;
            }
        }
    }
    // The upper half mirrors it.
    for (size_t above = 0; above < size_t(height / 2); ++above) {
        rows.inset[above] = rows.inset[size_t(b) - above];
    }
    return rows;
}

bool EllipseRows::holds(int32_t x, int32_t y) const {
    if (y < box.top || y - box.top >= int32_t(inset.size())) {
        return false;
    }
    const int32_t in = inset[size_t(y - box.top)];
    return x >= box.left + in && x < box.right - 1 - in;
}

bool ellipse_holds(const EllipseBox& box, int32_t x, int32_t y) {
    return ellipse_rows(box).holds(x, y);
}

void map_smallest_discs(int32_t side, BallMeasure measure, std::vector<uint8_t>& map) {
    const int32_t half = side / 2;
    const int32_t hx = half - highlight_offset_for(measure.radius);
    const EllipseRows outline = ellipse_rows(ball_outline_box(half, half, measure.radius));
    std::vector<EllipseRows> discs;
    discs.reserve(size_t(std::max(measure.ring_count, 0)));
    for (int32_t q = 1; q <= measure.ring_count; ++q) {
        discs.push_back(ellipse_rows(shading_disc_box(hx, hx, q)));
    }
    map.assign(size_t(side) * size_t(side), 0);
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            if (!outline.holds(x, y)) {
                continue;
            }
            // Discs about one point nest: the first that holds the pixel is the smallest.
            for (int32_t q = 1; q <= measure.ring_count; ++q) {
                if (discs[size_t(q - 1)].holds(x, y)) {
                    map[size_t(y) * size_t(side) + size_t(x)] = uint8_t(q);
                    break;
                }
            }
        }
    }
}
