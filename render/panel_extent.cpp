// The control panel's layout unit and the lengths that follow from the board width alone.
#include "render/panel_extent.h"

int32_t layout_to_pixels(int32_t v, int32_t board_width) {
    // Extended precision throughout, with the board width passed through single precision
    // first, so that the panel comes out the same on every build.
    const long double unit = 0.0022L * static_cast<long double>(static_cast<float>(board_width));
    return static_cast<int32_t>(unit * v);
}

int32_t panel_width_pixels(int32_t board_width) {
    return layout_to_pixels(panel_layout_width, board_width);
}

int32_t link_bitmap_left(int32_t board_width) {
    // Negative when the panel is narrower than a bitmap; the bitmap then overhangs both sides.
    return (panel_width_pixels(board_width) - link_bitmap_width) / 2;
}
