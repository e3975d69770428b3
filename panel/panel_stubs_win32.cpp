// Panel construction and behaviour that later work fills in.
#include "panel/panel_win32.h"

void build_control_panel(WORD, HWND) {}
void create_panel_tooltips(HWND) {}
bool apply_ball_count_rule(int) {
    return false;
}

LRESULT on_panel_button_up(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
LRESULT on_panel_mouse_move(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
LRESULT on_panel_init(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
LRESULT on_info(HWND, WORD, WORD, HWND) {
    return 0;
}
LRESULT on_panel_cancel(HWND, WORD, WORD, HWND) {
    return 0;
}
