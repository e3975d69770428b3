// The board window's own handlers: creation, destruction, resize and paint.
#pragma once

#include <windows.h>

LRESULT on_board_create(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_board_destroy(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_board_size(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_board_paint(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
