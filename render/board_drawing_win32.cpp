// Implements render/board_drawing.h: the engine's drawing, onto the canvas and the window at once.
#include "render/board_drawing.h"

#include "render/ball_drawing_win32.h"
#include "render/colours.h"
#include "render/geometry.h"
#include "render/offscreen_canvas_win32.h"

void draw_ball(int x, int y, int colour, BallStyle style, BallSize size) {
    if (!copy_ball_picture(x, y, colour, style, size)) {
        draw_ball_directly(x, y, colour, style, size);
    }
}

void erase_cell(int x, int y) { paint_cell_square(x, y); }

void draw_grid() {
    OffscreenCanvas& c = offscreen_canvas;
    HPEN pen = CreatePen(PS_SOLID, 1, background_colour);
    HGDIOBJ displaced = SelectObject(c.canvas_dc, pen);
    if (displaced && displaced == c.grid_pen) {
        DeleteObject(displaced);
    }
    c.grid_pen = pen;
    const int32_t left = geometry.grid_left;
    const int32_t top = geometry.grid_top;
    const int32_t span = grid_line_length();
    for (int i = 0; i < grid_line_count; ++i) {
        const int32_t offset = grid_line_offset(i);
        MoveToEx(c.canvas_dc, left, top + offset, nullptr);
        LineTo(c.canvas_dc, left + span, top + offset);
        MoveToEx(c.canvas_dc, left + offset, top, nullptr);
        LineTo(c.canvas_dc, left + offset, top + span);
    }
}
