// The board window's canvas: built, grown, copied to the window, released.
#include "render/board_window_win32.h"

#include "render/ball_drawing_win32.h"
#include "render/geometry_win32.h"
#include "render/offscreen_canvas_win32.h"

void create_board_canvas(HWND window) {
    compute_geometry();
    create_offscreen_canvas(window);
}

LRESULT on_board_destroy(HWND, UINT, WPARAM, LPARAM) {
    release_ball_pictures();
    destroy_offscreen_canvas();
    return 0;
}

LRESULT on_board_size(HWND window, UINT, WPARAM, LPARAM lparam) {
    grow_offscreen_canvas(window, LOWORD(lparam), HIWORD(lparam));
    return 0;
}

LRESULT on_board_paint(HWND window, UINT, WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    const RECT& r = ps.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, offscreen_canvas.canvas_dc,
           r.left, r.top, SRCCOPY);
    EndPaint(window, &ps);
    return 0;
}
