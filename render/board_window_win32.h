// The board window's canvas handlers: creation, destruction, resize and paint.
#pragma once

#include <windows.h>

// The layout for the screen and the canvas for a new board window.
void create_board_canvas(HWND window);
LRESULT on_board_destroy(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_board_size(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_board_paint(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
