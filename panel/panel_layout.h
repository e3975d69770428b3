// Panel layout: the layout table, unit conversion to dialog units, and the link hot spots.
#pragma once

#include "resources/web_addresses.h"

#include <cstdint>

constexpr int panel_layout_rows = 32;
// The rows of the link images, link_count of them, begin here.
constexpr int first_link_row = 24;
// One pixel less than the banners' 31, so neighbouring hot spots never touch.
constexpr int link_hot_spot_height = 30;

// A control's rectangle in layout units, relative to the panel's client area.
struct LayoutRect {
    int16_t x;
    int16_t y;
    int16_t w;
    int16_t h;
};

// A rectangle in pixels of the panel's client area.
struct HotSpot {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};

// The horizontal and vertical dialog base units of the system font.
struct DialogBaseUnits {
    int32_t x;
    int32_t y;
};

enum class LengthUnit { layout, pixels };

// A length pair converted to dialog units, with the pixel lengths it was converted from.
struct DialogLength {
    int32_t dx;
    int32_t dy;
    int32_t px_h;
    int32_t px_v;
};

// One row of the panel's design: a control and its rectangle.
struct DesignRow {
    int control_id;
    LayoutRect rect;
};
extern const DesignRow panel_design[panel_layout_rows];

// Indexed by the control's position in the dialog template.
extern LayoutRect control_layout[panel_layout_rows];
// Entry n belongs to link bitmap n, template row first_link_row + n.
extern HotSpot link_hot_spots[link_count];

void set_layout_row(int row, int x, int y, int w, int h);
// Fills every row of control_layout with the panel's design.
void fill_control_layout();

int32_t pixels_to_dialog_x(int32_t pixels, DialogBaseUnits base);
int32_t pixels_to_dialog_y(int32_t pixels, DialogBaseUnits base);
DialogLength to_dialog_units(int32_t h, int32_t v, LengthUnit unit, DialogBaseUnits base,
                             int32_t board_width);

// The hot spot under a point of the panel's client area, or -1; the edges do not count.
int hot_spot_at(int32_t x, int32_t y);
