// The canvas: the board fitted to the page's box, filled a rectangle at a time.
#include "web/web_canvas.h"

#include <cstddef>

#include "render/colours.h"
#include "render/geometry.h"
#include "render/screen_layout.h"

WebCanvas web_canvas;

namespace {

// The smallest sound layout's half cell (ball radius 2, a preview ball of radius 1).
constexpr int32_t smallest_drawn_half_cell = 4;

int32_t cell_size_of(int32_t half_cell) { return 2 * half_cell + 2; }
int32_t box_width(int32_t cell_size) { return board_box_cells_across * cell_size + 1; }
int32_t box_height(int32_t cell_size) { return board_box_cells_down * cell_size + 1; }

bool box_fits(int32_t half_cell, int32_t width, int32_t height) {
    return box_width(cell_size_of(half_cell)) <= width &&
           box_height(cell_size_of(half_cell)) <= height;
}

// The largest half cell whose box fits width x height, within the drawn bounds.
int32_t fitting_half_cell(int32_t width, int32_t height) {
    int32_t half_cell = smallest_drawn_half_cell;
    while (half_cell < largest_drawn_half_cell && box_fits(half_cell + 1, width, height)) {
        ++half_cell;
    }
    return half_cell;
}

// 0..limit, the canvas's side, for a position that may lie beyond either end.
int32_t within(int64_t position, int32_t limit) {
    return position < 0 ? 0 : position > limit ? limit : int32_t(position);
}

// a * b / c rounded up, for positive numbers.
int32_t scaled_up(int32_t a, int32_t b, int32_t c) { return int32_t((int64_t(a) * b + c - 1) / c); }

} // namespace

bool lay_out_canvas(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > largest_canvas_side || height > largest_canvas_side) {
        return false;
    }
    const int32_t half_cell = fitting_half_cell(width, height);
    const int32_t cell_size = cell_size_of(half_cell);
    const int32_t box_w = box_width(cell_size);
    const int32_t box_h = box_height(cell_size);
    if (half_cell == largest_drawn_half_cell && box_fits(half_cell + 1, width, height)) {
        // Where the board stopped growing, the canvas shrinks to it in the box's proportions.
        if (int64_t(box_w) * height >= int64_t(box_h) * width) {
            height = scaled_up(height, box_w, width);
            width = box_w;
        } else {
            width = scaled_up(width, box_h, height);
            height = box_h;
        }
    }
    // The narrowest screen whose board has this half cell: its width times 0.035, truncated.
    const int32_t screen_width = scaled_up(half_cell, 200, 7);
    float fraction = 1.0f;
    compute_layout_and_shades(screen_width, height, fraction);
    web_canvas.width = width;
    web_canvas.height = height;
    web_canvas.origin_x =
        geometry.grid_left - board_box_cells_left_of_grid * cell_size - (width - box_w) / 2;
    web_canvas.origin_y = geometry.grid_top - cell_size / 2 - (height - box_h) / 2;
    web_canvas.pixels.assign(size_t(width) * size_t(height), canvas_pixel(background_colour));
    return true;
}

void fill_canvas_rect(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t colour) {
    const int64_t from_x = int64_t(left) - web_canvas.origin_x;
    const int64_t from_y = int64_t(top) - web_canvas.origin_y;
    const int32_t x0 = within(from_x, web_canvas.width);
    const int32_t y0 = within(from_y, web_canvas.height);
    const int32_t x1 = within(from_x + width, web_canvas.width);
    const int32_t y1 = within(from_y + height, web_canvas.height);
    const uint32_t pixel = canvas_pixel(colour);
    for (int32_t y = y0; y < y1; ++y) {
        for (int32_t x = x0; x < x1; ++x) {
            web_canvas.pixels[size_t(y) * size_t(web_canvas.width) + size_t(x)] = pixel;
        }
    }
}

void put_canvas_picture(int32_t left, int32_t top, int32_t side, const uint32_t* colours) {
    for (int32_t row = 0; row < side; ++row) {
        const int64_t y = int64_t(top) - web_canvas.origin_y + row;
        if (y < 0 || y >= web_canvas.height) {
            continue;
        }
        for (int32_t column = 0; column < side; ++column) {
            const int64_t x = int64_t(left) - web_canvas.origin_x + column;
            if (x >= 0 && x < web_canvas.width) {
                web_canvas.pixels[size_t(y) * size_t(web_canvas.width) + size_t(x)] =
                    canvas_pixel(colours[size_t(row) * size_t(side) + size_t(column)]);
            }
        }
    }
}
