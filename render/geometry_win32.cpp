// The layout for the real screen, and the brushes of the shade tables.
#include "render/geometry_win32.h"
#include "render/screen_layout.h"
#include "resources/ambient_win32.h"

HBRUSH shade_brush[ball_colour_count][shade_capacity];

void compute_geometry() {
    compute_layout_and_shades(screen_width, screen_height, screen_fraction);
    for (int i = 0; i < ball_colour_count; ++i) {
        for (int j = 0; j < shade_capacity; ++j) {
            // Only a second layout in one process (the tests build several boards) finds
            // brushes here; nothing holds them any more.
            if (shade_brush[i][j]) {
                DeleteObject(shade_brush[i][j]);
                shade_brush[i][j] = nullptr;
            }
            if (j <= geometry.ring_count) {
                shade_brush[i][j] = CreateSolidBrush(ball_shades.shade_colour[i][j]);
            }
        }
    }
}
