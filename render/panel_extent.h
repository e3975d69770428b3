// The control panel's extent: its layout unit, which grows with the board width, and the
// lengths of the panel that depend on nothing else. The panel lays itself out with these and
// the screen-fraction bound judges the same lengths, so they live here, below both.
#pragma once

#include <cstdint>

// The panel is this many layout units wide.
constexpr int panel_layout_width = 60;
// The top of the panel's lowest row (the last link banner), in layout units: the longest
// vertical layout length the panel converts to dialog units.
constexpr int panel_lowest_row_top = 221;
constexpr int link_bitmap_width = 88;

// Pixels of v layout units; a layout unit grows with the board width.
int32_t layout_to_pixels(int32_t v, int32_t board_width);

// The panel's width in pixels, and the left edge that centres a link bitmap in it.
int32_t panel_width_pixels(int32_t board_width);
int32_t link_bitmap_left(int32_t board_width);
