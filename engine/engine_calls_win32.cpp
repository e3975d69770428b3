// The Windows side of the engine: its mouse handlers, commands and score display.
#include "engine/board_input_win32.h"
#include "engine/engine_calls.h"
#include "engine/test_commands_win32.h"
#include "shell/shell_globals_win32.h"

LRESULT update_cursor(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
LRESULT on_board_click(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
LRESULT on_new(HWND, WORD, WORD, HWND) {
    return 0;
}
LRESULT on_skip(HWND, WORD, WORD, HWND) {
    return 0;
}

void show_score() {}
void update_cursor() {}

void show_consistency_message() {
    MessageBoxA(main_window, "Невозможно0", nullptr, MB_OK);
}
