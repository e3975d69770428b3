// Pictures of every ball kind's cell square, each made once and then copied: a ball never
// reaches beyond its cell square and its drawing begins by emptying that square, so a copy
// of the square gives exactly the pixels of drawing it anew.
#include "render/ball_discs.h"
#include "render/ball_drawing_win32.h"
#include "render/ball_picture.h"
#include "render/ball_shades.h"
#include "render/colours.h"
#include "render/geometry.h"
#include "render/offscreen_canvas_win32.h"

#include <vector>

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
    // Per ball size: for each pixel of the square, the smallest shading disc holding it.
    std::vector<uint8_t> smallest_disc[2];
} pictures;

int kind_of(int colour, BallStyle style, BallSize size) {
    return (colour * 2 + (style == BallStyle::selected)) * 2 + (size == BallSize::preview);
}

int32_t picture_side() { return cell_square_side(); }

bool pictures_fit_layout() {
    return pictures.dc && pictures.half_cell == geometry.half_cell &&
           pictures.ball_radius == geometry.ball_radius &&
           pictures.ring_count == geometry.ring_count;
}

bool make_pictures() {
    release_ball_pictures();
    const int32_t side = picture_side();
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

// Marks the pixels of the platform's disc regions, clipped to the outline exactly as the
// plain drawing clips them, largest first so that the smallest holding disc stays.
void map_discs(BallSize size, std::vector<uint8_t>& map) {
    const int32_t side = picture_side();
    const int32_t half = geometry.half_cell;
    const BallMeasure m = ball_measure(geometry.ball_radius, geometry.ring_count, size);
    const int r = m.radius;
    const int hx = half - highlight_offset_for(r);
    map.assign(size_t(side) * side, 0);
    const EllipseBox box = ball_outline_box(half, half, r);
    HRGN outline = CreateEllipticRgn(box.left, box.top, box.right, box.bottom);
    std::vector<char> data;
    for (int q = m.ring_count; q >= 1; --q) {
        const EllipseBox disc_box = shading_disc_box(hx, hx, q);
        HRGN disc = CreateEllipticRgn(disc_box.left, disc_box.top, disc_box.right, disc_box.bottom);
        CombineRgn(disc, disc, outline, RGN_AND);
        data.resize(GetRegionData(disc, 0, nullptr));
        if (!data.empty() &&
            GetRegionData(disc, DWORD(data.size()), reinterpret_cast<RGNDATA*>(data.data()))) {
            const RGNDATA* region = reinterpret_cast<const RGNDATA*>(data.data());
            const RECT* rects = reinterpret_cast<const RECT*>(region->Buffer);
            for (DWORD k = 0; k < region->rdh.nCount; ++k) {
                for (LONG y = rects[k].top < 0 ? 0 : rects[k].top; y < rects[k].bottom && y < side;
                     ++y) {
                    for (LONG x = rects[k].left < 0 ? 0 : rects[k].left;
                         x < rects[k].right && x < side; ++x) {
                        map[size_t(y) * side + x] = uint8_t(q);
                    }
                }
            }
        }
        DeleteObject(disc);
    }
    DeleteObject(outline);
}

// Composes one kind in memory and sets it into its place in the strip. Exact where the
// canvas holds true colours; on a palette or 16-bit screen the colours must go through the
// same calls as the plain drawing, so the picture is drawn that way instead.
void draw_picture(int kind, int colour, BallStyle style, BallSize size) {
    const int32_t side = picture_side();
    const int32_t half = geometry.half_cell;
    const BallMeasure m = ball_measure(geometry.ball_radius, geometry.ring_count, size);
    pictures.drawn[kind] = true;
    if (GetDeviceCaps(offscreen_canvas.canvas_dc, BITSPIXEL) < 24) {
        HRGN square = CreateRectRgn(kind * side, 0, kind * side + side, side);
        PaintRgn(pictures.dc, square);
        DeleteObject(square);
        paint_ball_layers(&pictures.dc, 1, kind * side + half, half, colour, style, m);
        return;
    }
    std::vector<uint8_t>& map = pictures.smallest_disc[size == BallSize::preview];
    if (map.empty()) {
        map_discs(size, map);
    }
    std::vector<uint32_t> colours(size_t(side) * side);
    compose_ball_picture({side, map.data()}, m, colour, style, colours.data());
    for (uint32_t& c : colours) {
        c = blue_of(c) | green_of(c) << 8 | red_of(c) << 16; // a DIB keeps blue lowest
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = side;
    info.bmiHeader.biHeight = -side; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(pictures.dc, kind * side, 0, side, side, 0, 0, 0, side, colours.data(), &info,
                      DIB_RGB_COLORS);
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
