// Implements render/board_drawing.h for the browser: cell squares, balls and the grid drawn
// into the canvas's pixels with the program's own layout, shades and ball pictures.
#include "render/board_drawing.h"

#include "render/ball_discs.h"
#include "render/ball_picture.h"
#include "render/ball_shades.h"
#include "render/colours.h"
#include "render/geometry.h"
#include "web/web_canvas.h"

#include <array>
#include <cstddef>
#include <vector>

namespace {

// The disc maps of the two ball sizes, and the layout they were made for.
struct DiscMaps {
    int32_t half_cell = -1;
    int32_t ball_radius = -1;
    int32_t ring_count = -1;
    std::array<std::vector<uint8_t>, 2> smallest_disc;
} disc_maps;

const std::vector<uint8_t>& disc_map(BallSize size) {
    if (disc_maps.half_cell != geometry.half_cell ||
        disc_maps.ball_radius != geometry.ball_radius ||
        disc_maps.ring_count != geometry.ring_count) {
        disc_maps = DiscMaps{geometry.half_cell, geometry.ball_radius, geometry.ring_count, {}};
    }
    std::vector<uint8_t>& map = disc_maps.smallest_disc[size == BallSize::preview];
    if (map.empty()) {
        map_smallest_discs(cell_square_side(),
                           ball_measure(geometry.ball_radius, geometry.ring_count, size), map);
    }
    return map;
}

} // namespace

void draw_ball(int x, int y, int colour, BallStyle style, BallSize size) {
    const BallMeasure m = ball_measure(geometry.ball_radius, geometry.ring_count, size);
    if (colour < 0 || colour >= ball_colour_count || m.radius < 1 || m.ring_count < 1 ||
        m.ring_count >= shade_capacity) {
        erase_cell(x, y); // nothing a sound layout and the engine ever ask for
        return;
    }
    const int32_t side = cell_square_side();
    const int32_t half = geometry.half_cell;
    std::vector<uint32_t> picture(size_t(side) * size_t(side));
    compose_ball_picture({side, disc_map(size).data()}, m, colour, style, picture.data());
    put_canvas_picture(x - half, y - half, side, picture.data());
}

void erase_cell(int x, int y) {
    const int32_t half = geometry.half_cell;
    fill_canvas_rect(x - half, y - half, cell_square_side(), cell_square_side(), cell_colour);
}

void draw_grid() {
    const int32_t left = geometry.grid_left;
    const int32_t top = geometry.grid_top;
    const int32_t length = grid_line_length();
    for (int i = 0; i < grid_line_count; ++i) {
        const int32_t offset = grid_line_offset(i);
        fill_canvas_rect(left, top + offset, length, 1, background_colour);
        fill_canvas_rect(left + offset, top, 1, length, background_colour);
    }
}
