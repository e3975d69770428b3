// The ambient values of the process: the instance, the windows and their procedures, the
// cursors and the screen size. The shell defines and sets them once at start-up; declared on
// the ground floor, they are vocabulary every floor may read.
#pragma once

#include <windows.h>

#include <cstdint>

// shell/startup_win32.cpp: set by init_instance.
extern HINSTANCE module_instance;
extern float screen_fraction;
extern int32_t screen_width;
extern int32_t screen_height;
extern HWND main_window;
extern HWND board_window;
extern HCURSOR arrow_cursor;
extern HCURSOR cross_cursor;
extern HCURSOR link_cursor;

// The three procedures given to the system (shell/message_tables_win32.cpp); each only looks
// its message up in a table.
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK board_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK panel_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
