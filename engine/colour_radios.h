// The colour radios "2" to "7": one for each colour count a test may use, their ids in order.
#pragma once

#include "engine/test_settings.h"
#include "resources/control_ids.h"

constexpr int colour_radio_count = most_colours - fewest_colours + 1;

// The id of the radio that chooses this many colours (fewest_colours to most_colours).
constexpr int colour_radio_id(int colour_count) {
    return IDC_COLOURS_2 + colour_count - fewest_colours;
}
static_assert(colour_radio_id(most_colours) == IDC_COLOURS_7);

// The colour count a radio chooses, 0 for an id that is no colour radio.
constexpr int colours_of_radio(int id) {
    const int colour_count = id - IDC_COLOURS_2 + fewest_colours;
    return colour_count >= fewest_colours && colour_count <= most_colours ? colour_count : 0;
}
