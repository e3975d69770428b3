// The canvas: built, grown and released with the board window; one cell square painted.
#include "render/offscreen_canvas_win32.h"

#include "render/colours.h"
#include "render/geometry.h"
#include "resources/ambient_win32.h"

OffscreenCanvas offscreen_canvas;

void create_offscreen_canvas(HWND window) {
    OffscreenCanvas& c = offscreen_canvas;
    HDC temporary = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    c.canvas_width = client.right > 1 ? client.right : 1;
    c.canvas_height = client.bottom > 1 ? client.bottom : 1;
    c.canvas_bitmap = CreateCompatibleBitmap(temporary, c.canvas_width, c.canvas_height);
    c.window_dc = GetDC(window);
    c.canvas_dc = CreateCompatibleDC(temporary);
    ReleaseDC(window, temporary);
    c.canvas_initial_bitmap = static_cast<HBITMAP>(SelectObject(c.canvas_dc, c.canvas_bitmap));

    const int32_t half = geometry.half_cell;
    c.cell_region_x = geometry.cell0_centre_x;
    c.cell_region_y = geometry.cell0_centre_y;
    c.cell_region = CreateRectRgn(c.cell_region_x - half, c.cell_region_y - half,
                                  c.cell_region_x + half + 1, c.cell_region_y + half + 1);
    c.grid_pen = nullptr;

    SelectObject(c.canvas_dc, CreateSolidBrush(background_colour));
    PatBlt(c.canvas_dc, 0, 0, screen_width, screen_height, PATCOPY);
    SelectObject(c.canvas_dc, CreateSolidBrush(cell_colour));
    SelectObject(c.window_dc, CreateSolidBrush(cell_colour));
}

void destroy_offscreen_canvas() {
    OffscreenCanvas& c = offscreen_canvas;
    SelectObject(c.canvas_dc, c.canvas_initial_bitmap);
    DeleteObject(c.canvas_bitmap);
    DeleteDC(c.canvas_dc);
    c.canvas_dc = nullptr;
    c.canvas_bitmap = nullptr;
}

void paint_cell_square(int32_t x, int32_t y) {
    OffscreenCanvas& c = offscreen_canvas;
    OffsetRgn(c.cell_region, x - c.cell_region_x, y - c.cell_region_y);
    c.cell_region_x = x;
    c.cell_region_y = y;
    PaintRgn(c.canvas_dc, c.cell_region);
    PaintRgn(c.window_dc, c.cell_region);
}

void grow_offscreen_canvas(HWND window, int32_t width, int32_t height) {
    OffscreenCanvas& c = offscreen_canvas;
    if (width <= c.canvas_width && height <= c.canvas_height) {
        return;
    }
    const int32_t grown_width = width > c.canvas_width ? width : c.canvas_width;
    const int32_t grown_height = height > c.canvas_height ? height : c.canvas_height;
    HDC window_context = GetDC(window);
    HBITMAP grown = CreateCompatibleBitmap(window_context, grown_width, grown_height);
    ReleaseDC(window, window_context);
    if (!grown) {
        return;
    }
    HDC old_picture = CreateCompatibleDC(nullptr);
    if (!old_picture) {
        DeleteObject(grown); // without a context to copy from, the old picture stays
        return;
    }
    SelectObject(c.canvas_dc, grown);
    HBITMAP displaced = static_cast<HBITMAP>(SelectObject(old_picture, c.canvas_bitmap));

    // The strips right of and below the old picture, each across the whole new bitmap.
    PatBlt(c.canvas_dc, c.canvas_width, 0, grown_width - c.canvas_width, grown_height, PATCOPY);
    PatBlt(c.canvas_dc, 0, c.canvas_height, c.canvas_width, grown_height - c.canvas_height,
           PATCOPY);
    BitBlt(c.canvas_dc, 0, 0, c.canvas_width, c.canvas_height, old_picture, 0, 0, SRCCOPY);

    SelectObject(old_picture, displaced);
    DeleteObject(c.canvas_bitmap);
    DeleteDC(old_picture);
    c.canvas_bitmap = grown;
    c.canvas_width = grown_width;
    c.canvas_height = grown_height;
}
