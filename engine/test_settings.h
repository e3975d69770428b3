// The four numbers that make a test, their ranges, and what stands in for a number a stored
// record or an edit gives outside them.
#pragma once

#include <cstdint>
#include <string_view>

struct TestSettings {
    int32_t initial_ball_count;
    int32_t colour_count;
    int32_t round_count;
    int32_t lines_per_round;
    bool operator==(const TestSettings&) const = default;
};

// The ball counts a test may start with: the panel's list offers them in order.
constexpr int fewest_initial_balls = 29;
constexpr int most_initial_balls = 59;
constexpr int default_initial_balls = 42;
// The colour counts a test may use: the panel's radios offer them in order. A test whose
// colours are not given plays the most.
constexpr int fewest_colours = 2;
constexpr int most_colours = 7;
constexpr int default_colours = most_colours;
// Two colours are allowed only with at most this many balls; with more, the test plays three.
constexpr int most_balls_for_two_colours = 32;
constexpr int colours_instead_of_two = 3;
inline bool two_colours_allowed(int initial_ball_count) {
    return initial_ball_count <= most_balls_for_two_colours;
}
// The colour count a test of this many balls plays when these colours are chosen.
inline int allowed_colour_count(int colour_count, int initial_ball_count) {
    return colour_count == fewest_colours && !two_colours_allowed(initial_ball_count)
               ? colours_instead_of_two
               : colour_count;
}

// The longest texts of the Rounds (R) and Lines (A) edits, in digits, hence their largest values;
// a zero or a larger value becomes the default.
constexpr int rounds_digits = 3;
constexpr int lines_per_round_digits = 4;
constexpr int32_t most_rounds = 999;
constexpr int32_t most_lines_per_round = 9999;
constexpr int32_t default_rounds = 6;
constexpr int32_t default_lines_per_round = 12;

// The count New reads from an edit's text: its first max_digits characters, when they are all
// decimal digits and not all zeros; 0, for which the default stands in, for any other text.
constexpr int32_t typed_count(std::string_view text, int max_digits) {
    const std::string_view read = text.substr(0, size_t(max_digits));
    int32_t value = 0;
    for (const char ch : read) {
        if (ch < '0' || ch > '9') {
            return 0;
        }
        value = value * 10 + (ch - '0');
    }
    return value;
}

// The lines a test of these settings counts.
inline int32_t line_count(const TestSettings& settings) {
    return settings.round_count * settings.lines_per_round;
}
