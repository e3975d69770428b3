// The board window: until its canvas exists it only builds the panel and validates paints.
#include "render/board_window_win32.h"

#include "engine/engine_calls.h"
#include "panel/panel_win32.h"
#include "resources/resource_ids.h"

LRESULT on_board_create(HWND window, UINT, WPARAM, LPARAM) {
    build_control_panel(IDD_PANEL, window);
    create_panel_tooltips(window);
    return 0;
}

LRESULT on_board_destroy(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

LRESULT on_board_size(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

LRESULT on_board_paint(HWND window, UINT, WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    EndPaint(window, &ps);
    return 0;
}

void draw_ball(int, int, int, BallStyle, BallSize) {}

void erase_cell(int, int) {}

void draw_grid() {}
