// The canvas: laid out with the board, filled a rectangle at a time.
#include "web/web_canvas.h"

#include <cstddef>

#include "render/colours.h"
#include "render/screen_layout.h"

WebCanvas web_canvas;

bool lay_out_canvas(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > largest_canvas_side || height > largest_canvas_side) {
        return false;
    }
    // The canvas stands for the whole screen: the board takes its full width.
    float fraction = 1.0f;
    compute_layout_and_shades(width, height, fraction);
    web_canvas.width = width;
    web_canvas.height = height;
    web_canvas.pixels.assign(size_t(width) * size_t(height), canvas_pixel(background_colour));
    return true;
}

void fill_canvas_rect(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t colour) {
    const int32_t x0 = left < 0 ? 0 : left;
    const int32_t y0 = top < 0 ? 0 : top;
    const int64_t right = int64_t(left) + width;
    const int64_t bottom = int64_t(top) + height;
    const int32_t x1 = right > web_canvas.width ? web_canvas.width : int32_t(right);
    const int32_t y1 = bottom > web_canvas.height ? web_canvas.height : int32_t(bottom);
    const uint32_t pixel = canvas_pixel(colour);
    for (int32_t y = y0; y < y1; ++y) {
        for (int32_t x = x0; x < x1; ++x) {
            web_canvas.pixels[size_t(y) * size_t(web_canvas.width) + size_t(x)] = pixel;
        }
    }
}

void put_canvas_picture(int32_t left, int32_t top, int32_t side, const uint32_t* colours) {
    for (int32_t row = 0; row < side; ++row) {
        const int64_t y = int64_t(top) + row;
        if (y < 0 || y >= web_canvas.height) {
            continue;
        }
        for (int32_t column = 0; column < side; ++column) {
            const int64_t x = int64_t(left) + column;
            if (x >= 0 && x < web_canvas.width) {
                web_canvas.pixels[size_t(y) * size_t(web_canvas.width) + size_t(x)] =
                    canvas_pixel(colours[size_t(row) * size_t(side) + size_t(column)]);
            }
        }
    }
}
