// Shade ramps: each colour steps towards a tint by whole steps, so no channel passes 255.
#include "render/ball_shades.h"

#include "render/colours.h"

BallShades ball_shades;

void fill_shade_colours(int32_t ring_count, BallShades& shades) {
    shades = BallShades{};
    if (ring_count < 1 || ring_count >= shade_capacity) {
        return;
    }
    const uint32_t step235 = 235 / uint32_t(ring_count);
    const uint32_t step170 = 170 / uint32_t(ring_count);
    const uint32_t step127 = 127 / uint32_t(ring_count);
    for (int i = 0; i < ball_colour_count; ++i) {
        for (uint32_t j = 0; j <= uint32_t(ring_count); ++j) {
            const uint32_t a = j * step235;
            const uint32_t g = j * step170;
            const uint32_t b = j * step127;
            uint32_t colour = 0;
            switch (i) {
            case 0:
                colour = rgb_colour(a, a, 255);
                break; // blue
            case 1:
                colour = rgb_colour(255, a, a);
                break; // red
            case 2:
                colour = rgb_colour(0, 127 + b, b);
                break; // green
            case 3:
                colour = rgb_colour(245, 127 + b, b);
                break; // orange
            case 4:
                colour = rgb_colour(127 + b, 0, 127 + b);
                break; // purple
            case 5:
                colour = rgb_colour(0, 85 + g, 85 + g);
                break; // teal
            default:
                colour = rgb_colour(0, 66 + b, 127 + b);
                break; // azure
            }
            shades.shade_colour[i][j] = colour;
        }
    }
}
