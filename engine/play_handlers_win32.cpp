// The board window's mouse handlers and the panel's New and Skip commands.
#include "engine/board_input_win32.h"
#include "engine/engine_calls.h"
#include "engine/play.h"
#include "engine/test_commands_win32.h"
#include "shell/shell_globals_win32.h"

LRESULT update_cursor(HWND, UINT, WPARAM, LPARAM) {
    update_cursor();
    return 0;
}

LRESULT on_board_click(HWND, UINT, WPARAM, LPARAM lparam) {
    // Client coordinates are signed 16-bit values.
    on_board_click(short(LOWORD(lparam)), short(HIWORD(lparam)));
    return 0;
}

LRESULT on_new(HWND, WORD, WORD, HWND) {
    on_new();
    return 1;
}

LRESULT on_skip(HWND, WORD, WORD, HWND) {
    on_skip();
    return 1;
}

void show_consistency_message() { MessageBoxA(main_window, "Невозможно0", nullptr, MB_OK); }
