// A real board window inside a test parent, and pixel read-back from its canvas and window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Sets the screen size and fraction the layout reads, then creates a visible parent of
// that size holding a board window ("ClientWndClass"), and lets it paint once.
HWND open_test_board(int32_t screen_w, int32_t screen_h, float fraction);
// Destroys the parent and with it the board window.
void close_test_board();
// Delivers the pending messages, paints included.
void pump_messages();

// Pixels of a rectangle of a device context as 0x00BBGGRR colours, row by row.
struct Pixels {
    int32_t left, top, width, height;
    std::vector<uint32_t> colours;
    uint32_t at(int32_t x, int32_t y) const { return colours[(y - top) * width + (x - left)]; }
};
Pixels read_pixels(HDC dc, int32_t left, int32_t top, int32_t width, int32_t height);

// Writes the pixels as a 24-bit BMP file into the build tree's test-results folder.
bool save_test_picture(const Pixels& pixels, const std::string& file_name);
