// The board window's mouse handlers.
#pragma once

#include <windows.h>

LRESULT update_cursor(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_board_click(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
