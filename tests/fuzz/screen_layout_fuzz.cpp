// Any screen size and any fraction text, through the whole layout: fraction, board, shades
// and the panel's placement in dialog units.
#include "panel/panel_layout.h"
#include "render/ball_shades.h"
#include "render/screen_layout.h"
#include "shell/screen_fraction.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    // Screens from a single pixel to 65536 pixels a side.
    const int32_t width = 1 + (data[0] | data[1] << 8);
    const int32_t height = 1 + (data[2] | data[3] << 8);
    const std::string argument(reinterpret_cast<const char*>(data + 4), size - 4);
    float fraction = sound_screen_fraction(width, height, parse_screen_fraction(argument.c_str()));
    compute_layout_and_shades(width, height, fraction);
    const Geometry g = geometry;
    if (g.board_width < smallest_sound_board_width || g.cell_size <= 0 || g.ball_radius <= 0 ||
        g.ring_count < 1 || g.ring_count >= shade_capacity) {
        std::abort();
    }
    fill_control_layout();
    for (const DialogBaseUnits base : {DialogBaseUnits{8, 16}, DialogBaseUnits{7, 16}}) {
        for (int row = 0; row < panel_layout_rows; ++row) {
            const LayoutRect r = control_layout[row];
            to_dialog_units(r.x, r.y, LengthUnit::layout, base, g.board_width);
            to_dialog_units(r.w, r.h, LengthUnit::layout, base, g.board_width);
        }
    }
    return 0;
}
