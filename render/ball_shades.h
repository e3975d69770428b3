// Per-colour shade ramps of the balls, from the full colour (shade 0) to a light tint.
#pragma once

#include <cstdint>

constexpr int ball_colour_count = 7;
// Enough for the largest ring_count (62, at the radius cap of 40) plus shade 0.
constexpr int shade_capacity = 64;

struct BallShades {
    // Entries 0..ring_count are set; the rest stay 0.
    uint32_t shade_colour[ball_colour_count][shade_capacity];
};

extern BallShades ball_shades;

// Fills the ramps for a ring count of 1..shade_capacity - 1 and clears the rest.
void fill_shade_colours(int32_t ring_count, BallShades& shades);
