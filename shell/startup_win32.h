// Process start-up: classes, screen fraction, the main window, the message loop.
#pragma once

#include <windows.h>

// Read from the string table at start-up.
extern char class_name[40];
extern char window_title[40];
constexpr char board_class_name[] = "ClientWndClass";

// 1 on success, 0 on any start-up failure.
int init_instance(HINSTANCE instance, const char* argument_text);
// Runs until the quit message and returns its wParam.
int run_message_loop();
HWND create_board_window(HWND parent);
