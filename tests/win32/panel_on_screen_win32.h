// A real control panel built in this process under a stand-in board window.
#pragma once

#include "render/geometry.h"

#include <windows.h>

struct ScreenLayout {
    const char* name;
    int32_t board_width, board_height, cell_size, grid_left, grid_top;
};

// A full 1024 x 768 screen, a full 1280 x 1024 screen, and 0.8 of the 1024 x 768 screen.
extern const ScreenLayout screen_1024, screen_1280, screen_1024_at_08;
// 0.936 of a 1920 x 1080 screen, the largest fraction that fits Wine's maximized window there.
extern const ScreenLayout screen_1920_fitted;

// Sets the Geometry for the screen, stores the given settings record (none when null),
// creates a board window of the screen's size and builds the panel and its tooltips in it.
// The program's globals (instance, main window, link cursor) point at this process and the
// board window.
HWND build_test_panel(const ScreenLayout& screen, const char* stored_record = nullptr);
// Destroys the board window, and with it the panel and the tooltips.
void destroy_test_panel(HWND board);
