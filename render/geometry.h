// Board layout in pixels, computed once from the screen size and the screen fraction.
#pragma once

#include <cstdint>

struct Geometry {
    int32_t side_margin;
    int32_t board_width;
    int32_t board_height;
    int32_t half_cell;
    int32_t ball_radius;
    int32_t cell_size;
    int32_t grid_left;
    int32_t grid_top;
    int32_t cell0_centre_x;
    int32_t cell0_centre_y;
    int32_t highlight_offset;
    int32_t ring_count;
};

extern Geometry geometry;

inline int32_t cell_centre_x(int column) {
    return geometry.cell0_centre_x + column * geometry.cell_size;
}
inline int32_t cell_centre_y(int row) { return geometry.cell0_centre_y + row * geometry.cell_size; }

// The square a cell's drawing covers about its centre pixel: half_cell pixels each way.
inline int32_t cell_square_side() { return 2 * geometry.half_cell + 1; }

// The grid: this many lines each way, cell_size apart from (grid_left, grid_top), each
// grid_line_length() pixels long so that the last lines cross.
constexpr int grid_line_count = 9;
inline int32_t grid_line_offset(int line) { return line * geometry.cell_size; }
inline int32_t grid_line_length() { return 8 * geometry.cell_size + 1; }

// The five preview slots stand where the cells (-2, 3) to (-2, 7) would be.
inline int32_t preview_centre_x() { return cell_centre_x(-2); }
inline int32_t preview_centre_y(int slot) { return cell_centre_y(slot + 3); }
