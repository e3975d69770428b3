// The index of the program's behaviour: which handler answers which message.
#include "shell/message_tables_win32.h"
#include "engine/board_input_win32.h"
#include "engine/test_commands_win32.h"
#include "panel/panel_win32.h"
#include "record/submit_win32.h"
#include "render/board_window_win32.h"
#include "shell/main_window_win32.h"
#include "shell/window_procs_win32.h"

namespace {

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
    {103, on_new},
    {105, on_skip},
    {2110, submit_result},
    {2115, on_info},
    {IDCANCEL, on_panel_cancel},
};

} // namespace

const MessageTable main_window_messages = make_table(main_window_entries, default_proc_window);
const MessageTable board_window_messages = make_table(board_window_entries, default_proc_window);
// The dialog manager does its own default processing when the procedure returns 0.
const MessageTable panel_messages = make_table(panel_entries, default_proc_none);
const CommandTable panel_commands = make_table(panel_command_entries, default_proc_none);

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return dispatch_message(main_window_messages, window, message, wparam, lparam);
}

LRESULT CALLBACK board_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return dispatch_message(board_window_messages, window, message, wparam, lparam);
}

INT_PTR CALLBACK panel_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return dispatch_message(panel_messages, window, message, wparam, lparam);
}
