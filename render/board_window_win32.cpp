// The board window's own handlers: the canvas is built, grown, copied to the window, released.
#include "render/board_window_win32.h"

#include "panel/panel_win32.h"
#include "render/ball_drawing_win32.h"
#include "render/offscreen_canvas_win32.h"
#include "render/shade_brushes_win32.h"
#include "resources/resource_ids.h"

LRESULT on_board_create(HWND window, UINT, WPARAM, LPARAM) {
    compute_geometry();
    create_offscreen_canvas(window);
    build_control_panel(IDD_PANEL, window);
    create_panel_tooltips(window);
    return 0;
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
