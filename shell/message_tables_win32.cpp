// The index of the program's behaviour: which handler answers which message, and the
// one-line handlers that turn a message into a call of the platform-free rules.
#include "shell/message_tables_win32.h"

#include "engine/play.h"
#include "panel/panel_record_win32.h"
#include "panel/panel_win32.h"
#include "render/board_window_win32.h"
#include "resources/ambient_win32.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"
#include "shell/main_window_win32.h"

namespace {

// The board window is created with its canvas, then the panel on top of it.
LRESULT on_board_create(HWND window, UINT, WPARAM, LPARAM) {
    create_board_canvas(window);
    build_control_panel(IDD_PANEL, window);
    create_panel_tooltips(window);
    return 0;
}

LRESULT update_cursor(HWND, UINT, WPARAM, LPARAM) {
    choose_board_cursor();
    return 0;
}

LRESULT on_board_click(HWND, UINT, WPARAM, LPARAM lparam) {
    // Client coordinates are signed 16-bit values.
    click_board_at(short(LOWORD(lparam)), short(HIWORD(lparam)));
    return 0;
}

LRESULT on_new(HWND, WORD, WORD, HWND) {
    new_test();
    return 1;
}

LRESULT on_skip(HWND, WORD, WORD, HWND) {
    skip_round();
    return 1;
}

const MessageEntry main_window_entries[] = {
    {WM_CREATE, on_main_create},
    {WM_DESTROY, on_main_destroy},
    {WM_SIZE, on_main_size},
};

const MessageEntry board_window_entries[] = {
    {WM_CREATE, on_board_create}, {WM_DESTROY, on_board_destroy}, {WM_SIZE, on_board_size},
    {WM_PAINT, on_board_paint},   {WM_MOUSEMOVE, update_cursor},  {WM_LBUTTONUP, on_board_click},
};

const MessageEntry panel_entries[] = {
    {WM_COMMAND, on_panel_command},
    {WM_LBUTTONUP, on_panel_button_up},
    {WM_MOUSEMOVE, on_panel_mouse_move},
    {WM_INITDIALOG, on_panel_init},
};

const CommandEntry panel_command_entries[] = {
    {IDC_NEW, on_new},   {IDC_SKIP, on_skip},         {IDC_INTERNET, submit_result},
    {IDC_INFO, on_info}, {IDCANCEL, on_panel_cancel},
};

} // namespace

const MessageTable main_window_messages = make_table(main_window_entries, default_proc_window);
const MessageTable board_window_messages = make_table(board_window_entries, default_proc_window);
// The dialog manager does its own default processing when the procedure returns 0.
const MessageTable panel_messages = make_table(panel_entries, default_proc_none);
const CommandTable panel_commands = make_table(panel_command_entries, default_proc_none);

LRESULT on_panel_command(HWND panel, UINT, WPARAM wparam, LPARAM lparam) {
    apply_panel_rules(LOWORD(wparam), HIWORD(wparam));
    return dispatch_command(panel_commands, panel, wparam, lparam);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return dispatch_message(main_window_messages, window, message, wparam, lparam);
}

LRESULT CALLBACK board_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return dispatch_message(board_window_messages, window, message, wparam, lparam);
}

INT_PTR CALLBACK panel_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return dispatch_message(panel_messages, window, message, wparam, lparam);
}
