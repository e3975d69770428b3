// The main window's own message handlers.
#pragma once

#include <windows.h>

LRESULT on_main_create(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_main_destroy(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_main_size(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
