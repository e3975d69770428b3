// Process start-up: classes, screen fraction, the main window, the message loop.
#pragma once

#include <windows.h>

// 1 on success, 0 on any start-up failure.
int init_instance(HINSTANCE instance, const char* argument_text);
// Runs until the quit message and returns its wParam.
int run_message_loop();
HWND create_board_window(HWND parent);
