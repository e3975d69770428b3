// Fit of the laid-out game in a client area, judged through the program's own layout code.
#include "shell/screen_fit.h"

#include "render/panel_extent.h"
#include "render/screen_layout.h"
#include "shell/screen_fraction.h"

#include <cstdio>

namespace {

struct Span {
    int64_t first;
    int64_t last; // inclusive
};

bool inside(Span span, int32_t length) { return span.first >= 0 && span.last < length; }

} // namespace

bool game_fits_client(Extent screen, Extent client, const char* fraction_text) {
    float fraction =
        sound_screen_fraction(screen.width, screen.height, parse_screen_fraction(fraction_text));
    const Geometry g = layout_for_screen(screen.width, screen.height, fraction);
    const int64_t grid = 8 * int64_t(g.cell_size);
    // The grid's nine lines, the last one included.
    const Span grid_x = {g.grid_left, g.grid_left + grid};
    const Span grid_y = {g.grid_top, g.grid_top + grid};
    // The preview column's cells stand two cells left of the first column, within the
    // grid's rows.
    const int64_t preview_centre = int64_t(g.cell0_centre_x) - 2 * int64_t(g.cell_size);
    const Span preview_x = {preview_centre - g.half_cell, preview_centre + g.half_cell};
    // The panel's pixel rectangle before its conversion to dialog units, which only ever
    // truncates towards the board's origin.
    const int64_t panel_left = g.grid_left + 9 * int64_t(g.cell_size) + 1;
    const Span panel_x = {panel_left, panel_left + panel_width_pixels(g.board_width) - 1};
    const Span panel_y = {int64_t(g.grid_top) + 1, int64_t(g.grid_top) + grid - 2};
    return inside(grid_x, client.width) && inside(grid_y, client.height) &&
           inside(preview_x, client.width) && inside(panel_x, client.width) &&
           inside(panel_y, client.height);
}

int largest_fitting_fraction(Extent screen, Extent client) {
    // A larger fraction never makes the board smaller, so the first fit from the top is
    // the largest.
    for (int thousandths = fraction_steps; thousandths > 0; --thousandths) {
        if (game_fits_client(screen, client, fraction_text(thousandths).c_str())) {
            return thousandths;
        }
    }
    return 0;
}

std::string fraction_text(int thousandths) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%03d", thousandths / fraction_steps,
                  thousandths % fraction_steps);
    return text;
}

float starting_fraction(const char* argument_text, Extent screen, Extent client) {
    if (screen_fraction_given(argument_text)) {
        return parse_screen_fraction(argument_text);
    }
    const int fitting = largest_fitting_fraction(screen, client);
    // Read back from its text, so that the program lays out exactly what the fit judged.
    return fitting > 0 ? parse_screen_fraction(fraction_text(fitting).c_str()) : 1.0f;
}
