// Panel layout: the layout table, unit conversion to dialog units, and the link hot spots.
#include "panel/panel_layout.h"

#include "render/panel_extent.h"
#include "resources/control_ids.h"

LayoutRect control_layout[panel_layout_rows];
HotSpot link_hot_spots[link_count];

void set_layout_row(int row, int x, int y, int w, int h) {
    control_layout[row] = {int16_t(x), int16_t(y), int16_t(w), int16_t(h)};
}

// In template order: the dialog template (resources/panel.rc) lists the controls in this order.
const DesignRow panel_design[panel_layout_rows] = {
    {IDC_NEW, {15, 4, 20, 10}},              // "New"
    {IDC_SKIP, {38, 4, 19, 10}},             // "Skip", never shown
    {IDC_INTERNET, {5, 160, 50, 10}},        // "Internet"
    {IDC_HIDDEN_FIELD, {0, 0, 0, 0}},        // hidden field
    {IDC_COUNTRY, {2, 131, 12, 10}},         // country
    {IDC_EMAIL, {2, 149, 57, 10}},           // e-mail
    {IDC_CITY, {18, 131, 41, 10}},           // city
    {IDC_BIRTH_YEAR, {39, 113, 20, 10}},     // year of birth
    {IDC_ROUNDS_FRAME, {2, 68, 57, 26}},     // rounds and lines frame
    {IDC_ROUNDS, {7, 78, 16, 10}},           // rounds
    {IDC_LINES_PER_ROUND, {36, 78, 20, 10}}, // lines per round
    {IDC_COLOURS_FRAME, {2, 43, 57, 26}},    // colour frame
    {IDC_COLOURS_2, {5, 50, 16, 7}},         // radio "2"
    {IDC_COLOURS_3, {23, 50, 16, 7}},        // radio "3"
    {IDC_COLOURS_4, {39, 50, 16, 7}},        // radio "4"
    {IDC_COLOURS_5, {5, 59, 16, 7}},         // radio "5"
    {IDC_COLOURS_6, {23, 59, 16, 7}},        // radio "6"
    {IDC_COLOURS_7, {39, 59, 16, 7}},        // radio "7"
    {IDC_LINES_DISPLAY, {2, 23, 54, 8}},     // lines display
    {IDC_ACCURACY_DISPLAY, {2, 15, 54, 9}},  // accuracy display
    {IDC_NICKNAME_LABEL, {0, 94, 55, 8}},    // nickname label
    {IDC_PLACE_LABEL, {0, 123, 52, 8}},      // country and city label
    {IDC_EMAIL_LABEL, {2, 141, 35, 8}},      // e-mail label
    {IDC_BIRTH_YEAR_LABEL, {1, 114, 37, 8}}, // year-of-birth label
    {IDC_LINK_1, {0, 170, 39, 17}},          // link bitmap 1; x and w are replaced to centre it
    {IDC_LINK_2, {0, 187, 39, 17}},          // link bitmap 2
    {IDC_LINK_3, {0, 204, 39, 17}},          // link bitmap 3
    {IDC_LINK_4, {0, 221, 39, 17}},          // link bitmap 4
    {IDC_PRIVACY_SWITCH, {39, 33, 16, 8}},   // privacy switch
    {IDC_NICKNAME, {2, 102, 57, 10}},        // nickname
    {IDC_BALL_COUNT_LIST, {4, 32, 24, 200}}, // ball-count list, with its drop-down part
    {IDC_INFO, {36, 4, 10, 10}},             // "i", over the place of "Skip"
};

void fill_control_layout() {
    for (int row = 0; row < panel_layout_rows; ++row) {
        const LayoutRect& r = panel_design[row].rect;
        set_layout_row(row, r.x, r.y, r.w, r.h);
    }
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

int hot_spot_at(int32_t x, int32_t y) {
    for (int n = 0; n < link_count; ++n) {
        const HotSpot& s = link_hot_spots[n];
        if (s.left < x && x < s.left + s.width && s.top < y && y < s.top + s.height) {
            return n;
        }
    }
    return -1;
}
