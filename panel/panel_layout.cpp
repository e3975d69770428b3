// Panel layout: the layout table, unit conversion to dialog units, and the link hot spots.
#include "panel/panel_layout.h"

LayoutRect control_layout[panel_layout_rows];
HotSpot link_hot_spots[link_count];

void set_layout_row(int row, int x, int y, int w, int h) {
    control_layout[row] = {int16_t(x), int16_t(y), int16_t(w), int16_t(h)};
}

void fill_control_layout() {
    static constexpr LayoutRect design[panel_layout_rows] = {
        {15, 4, 20, 10},   // 103 "New"
        {38, 4, 19, 10},   // 105 "Skip", never shown
        {5, 160, 50, 10},  // 2110 "Internet"
        {0, 0, 0, 0},      // 113 hidden field
        {2, 131, 12, 10},  // 116 country
        {2, 149, 57, 10},  // 118 e-mail
        {18, 131, 41, 10}, // 120 city
        {39, 113, 20, 10}, // 121 year of birth
        {2, 68, 57, 26},   // 106 rounds and lines frame
        {7, 78, 16, 10},   // 4122 rounds
        {36, 78, 20, 10},  // 4123 lines per round
        {2, 43, 57, 26},   // 123 colour frame
        {5, 50, 16, 7},    // 124 radio "2"
        {23, 50, 16, 7},   // 125 radio "3"
        {39, 50, 16, 7},   // 126 radio "4"
        {5, 59, 16, 7},    // 127 radio "5"
        {23, 59, 16, 7},   // 128 radio "6"
        {39, 59, 16, 7},   // 129 radio "7"
        {2, 23, 54, 8},    // 102 lines display
        {2, 15, 54, 9},    // 112 accuracy display
        {0, 94, 55, 8},    // 114 nickname label
        {0, 123, 52, 8},   // 115 country and city label
        {2, 141, 35, 8},   // 117 e-mail label
        {1, 114, 37, 8},   // 122 year-of-birth label
        {0, 170, 39, 17},  // 2111 link bitmap 1; x and w are replaced to centre it
        {0, 187, 39, 17},  // 2112 link bitmap 2
        {0, 204, 39, 17},  // 2113 link bitmap 3
        {0, 221, 39, 17},  // 2114 link bitmap 4
        {39, 33, 16, 8},   // 3102 privacy switch
        {2, 102, 57, 10},  // 4121 nickname
        {4, 32, 24, 200},  // 104 ball-count list, with its drop-down part
        {36, 4, 10, 10},   // 2115 "i", over the place of "Skip"
    };
    for (int row = 0; row < panel_layout_rows; ++row) {
        const LayoutRect& r = design[row];
        set_layout_row(row, r.x, r.y, r.w, r.h);
    }
}

int32_t layout_to_pixels(int32_t v, int32_t board_width) {
    // Extended precision throughout, with the board width passed through single precision
    // first, so that the panel comes out the same on every build.
    const long double unit = 0.0022L * static_cast<long double>(static_cast<float>(board_width));
    return static_cast<int32_t>(unit * v);
}

// p * 4 / base and p * 8 / base are exact integer quotients truncated toward zero, which is
// what the same division in floating point gives once truncated.
int32_t pixels_to_dialog_x(int32_t pixels, DialogBaseUnits base) { return pixels * 4 / base.x; }
int32_t pixels_to_dialog_y(int32_t pixels, DialogBaseUnits base) { return pixels * 8 / base.y; }

DialogLength to_dialog_units(int32_t h, int32_t v, LengthUnit unit, DialogBaseUnits base,
                             int32_t board_width) {
    DialogLength length;
    length.px_h = unit == LengthUnit::layout ? layout_to_pixels(h, board_width) : h;
    length.px_v = unit == LengthUnit::layout ? layout_to_pixels(v, board_width) : v;
    length.dx = pixels_to_dialog_x(length.px_h, base);
    length.dy = pixels_to_dialog_y(length.px_v, base);
    return length;
}

int32_t panel_width_pixels(int32_t board_width) {
    return layout_to_pixels(panel_layout_width, board_width);
}

int32_t link_bitmap_left(int32_t board_width) {
    // Negative when the panel is narrower than a bitmap; the bitmap then overhangs both sides.
    return (panel_width_pixels(board_width) - link_bitmap_width) / 2;
}

int hot_spot_at(int32_t x, int32_t y) {
    for (int n = 0; n < link_count; ++n) {
        const HotSpot& s = link_hot_spots[n];
        if (s.left < x && x < s.left + s.width && s.top < y && y < s.top + s.height) {
            return n;
        }
    }
    return -1;
}
