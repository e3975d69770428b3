// Places the panel and its controls by rewriting a copy of the panel's dialog template.
#include "panel/panel_placement.h"

#include "panel/dialog_template.h"
#include "render/panel_extent.h"

namespace {

void write_rect(uint8_t* bytes, size_t offset, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    set_template_field(bytes, offset, x);
    set_template_field(bytes, offset + 2, y);
    set_template_field(bytes, offset + 4, cx);
    set_template_field(bytes, offset + 6, cy);
}

// The panel stands one cell width and one pixel right of the grid, one pixel below its top
// line, and is as tall as the grid less the two lines.
void place_panel(uint8_t* bytes, DialogBaseUnits base, const Geometry& g) {
    const int32_t bw = g.board_width;
    const DialogLength at = to_dialog_units(9 * g.cell_size + g.grid_left + 1, g.grid_top + 1,
                                            LengthUnit::pixels, base, bw);
    const DialogLength width = to_dialog_units(panel_layout_width, 0, LengthUnit::layout, base, bw);
    const DialogLength height =
        to_dialog_units(0, 8 * g.cell_size - 2, LengthUnit::pixels, base, bw);
    write_rect(bytes, template_header_rect_offset, at.dx, at.dy, width.dx, height.dy);
}

void place_control(uint8_t* bytes, size_t offset, int row, DialogBaseUnits base, int32_t bw) {
    const LayoutRect& r = control_layout[row];
    const DialogLength at = to_dialog_units(r.x, r.y, LengthUnit::layout, base, bw);
    const DialogLength size = to_dialog_units(r.w, r.h, LengthUnit::layout, base, bw);
    int32_t x = at.dx;
    int32_t cx = size.dx;
    const int link = row - first_link_row;
    if (link >= 0 && link < link_count) {
        // Banners keep their own width and are centred in the panel.
        const int32_t left = link_bitmap_left(bw);
        x = pixels_to_dialog_x(left, base);
        cx = pixels_to_dialog_x(link_bitmap_width, base);
        link_hot_spots[link] = {left, at.px_v, link_bitmap_width, link_hot_spot_height};
    }
    write_rect(bytes, offset, x, at.dy, cx, size.dy);
}

} // namespace

// The controls are found by walking the template's items, not by searching the bytes for the
// marker: a value written into an earlier rectangle can never be taken for a marker.
int place_panel_template(uint8_t* bytes, size_t size, DialogBaseUnits base, const Geometry& g) {
    const auto parsed = read_dialog_template(bytes, size);
    if (!parsed) {
        return -1;
    }
    place_panel(bytes, base, g);
    int row = 0;
    for (const DialogTemplateItem& item : parsed->items) {
        if (row == panel_layout_rows) {
            break;
        }
        if (item.x != placement_marker || item.y != placement_marker) {
            continue;
        }
        place_control(bytes, item.offset + template_item_rect_offset, row, base, g.board_width);
        ++row;
    }
    return row;
}
