// The ambient values of the process, which the shell sets once at start-up
// (shell/startup_win32.cpp) and every floor may read: the instance, the windows and their
// procedures, the cursors and the screen size. The one header every folder may include.
#pragma once

#include <windows.h>

#include <cstdint>

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
