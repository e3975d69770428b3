// Values the shell sets once at start-up and every subsystem may read.
#pragma once

#include <windows.h>

#include <cstdint>

extern HINSTANCE module_instance;
extern char class_name[40];
extern char window_title[40];
extern float screen_fraction;
extern int32_t screen_width;
extern int32_t screen_height;
extern HWND main_window;
extern HWND board_window;
extern HCURSOR arrow_cursor;
extern HCURSOR cross_cursor;
extern HCURSOR link_cursor;

constexpr char board_class_name[] = "ClientWndClass";
