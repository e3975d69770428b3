// The three procedures given to the system; each only looks its message up in a table.
#pragma once

#include <windows.h>

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK board_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK panel_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
