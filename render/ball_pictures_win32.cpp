// Pictures of every ball kind's cell square, each drawn once the plain way and then copied:
// a ball never reaches beyond its cell square and its drawing begins by emptying that
// square, so a copy of the square gives exactly the pixels of drawing it anew.
#include "render/ball_drawing_win32.h"
#include "render/ball_shades.h"
#include "render/colours.h"
#include "render/geometry.h"
#include "render/offscreen_canvas_win32.h"

namespace {

// Pictures of larger cells would take too much memory; such boards draw balls directly.
constexpr int32_t largest_pictured_half_cell = 64;
constexpr int ball_kinds = ball_colour_count * 2 * 2;

struct BallPictures {
    HDC dc; // holds one strip: the kinds side by side, each a cell square
    HBITMAP strip;
    HBITMAP initial_bitmap;
    HBRUSH cell_brush;
    // The layout the pictures were drawn for.
    int32_t half_cell;
    int32_t ball_radius;
    int32_t ring_count;
    bool drawn[ball_kinds];
} pictures;

int kind_of(int colour, BallStyle style, BallSize size) {
    return (colour * 2 + (style == BallStyle::selected)) * 2 + (size == BallSize::preview);
}

bool pictures_fit_layout() {
    return pictures.dc && pictures.half_cell == geometry.half_cell &&
           pictures.ball_radius == geometry.ball_radius &&
           pictures.ring_count == geometry.ring_count;
}

bool make_pictures() {
    release_ball_pictures();
    const int32_t side = 2 * geometry.half_cell + 1;
    HDC dc = CreateCompatibleDC(offscreen_canvas.canvas_dc);
    HBITMAP strip = CreateCompatibleBitmap(offscreen_canvas.canvas_dc, ball_kinds * side, side);
    if (!dc || !strip) {
        if (dc) {
            DeleteDC(dc);
        }
        if (strip) {
            DeleteObject(strip);
        }
        return false;
    }
    pictures.dc = dc;
    pictures.strip = strip;
    pictures.initial_bitmap = static_cast<HBITMAP>(SelectObject(dc, strip));
    pictures.cell_brush = CreateSolidBrush(cell_colour);
    SelectObject(dc, pictures.cell_brush);
    pictures.half_cell = geometry.half_cell;
    pictures.ball_radius = geometry.ball_radius;
    pictures.ring_count = geometry.ring_count;
    return true;
}

// The plain drawing of one kind into its place in the strip: the emptied square, then the ball.
void draw_picture(int kind, int colour, BallStyle style, BallSize size) {
    const int32_t half = geometry.half_cell;
    const int32_t left = kind * (2 * half + 1);
    HRGN square = CreateRectRgn(left, 0, left + 2 * half + 1, 2 * half + 1);
    PaintRgn(pictures.dc, square);
    DeleteObject(square);
    paint_ball_layers(&pictures.dc, 1, left + half, half, colour, style,
                      ball_measure(geometry.ball_radius, geometry.ring_count, size));
    pictures.drawn[kind] = true;
}

} // namespace

bool copy_ball_picture(int x, int y, int colour, BallStyle style, BallSize size) {
    if (geometry.half_cell < 1 || geometry.half_cell > largest_pictured_half_cell || colour < 0 ||
        colour >= ball_colour_count) {
        return false;
    }
    if (!pictures_fit_layout() && !make_pictures()) {
        return false;
    }
    const int kind = kind_of(colour, style, size);
    if (!pictures.drawn[kind]) {
        draw_picture(kind, colour, style, size);
    }
    const int32_t half = geometry.half_cell;
    const int32_t side = 2 * half + 1;
    BitBlt(offscreen_canvas.canvas_dc, x - half, y - half, side, side, pictures.dc, kind * side, 0,
           SRCCOPY);
    BitBlt(offscreen_canvas.window_dc, x - half, y - half, side, side, pictures.dc, kind * side, 0,
           SRCCOPY);
    return true;
}

void release_ball_pictures() {
    if (pictures.dc) {
        SelectObject(pictures.dc, pictures.initial_bitmap);
        DeleteObject(pictures.strip);
        DeleteDC(pictures.dc);
        DeleteObject(pictures.cell_brush);
    }
    pictures = BallPictures{};
}
