// Starting a test from the panel's settings, ending rounds and the test.
#include "engine/game_state.h"
#include "engine/panel_access.h"
#include "engine/play.h"
#include "render/board_drawing.h"
#include "resources/control_ids.h"

#include <cstdlib>
#include <initializer_list>

namespace {

constexpr int player_fields[] = {IDC_HIDDEN_FIELD, IDC_COUNTRY,    IDC_EMAIL,
                                 IDC_CITY,         IDC_BIRTH_YEAR, IDC_NICKNAME};
constexpr int colour_radios[] = {IDC_COLOURS_2, IDC_COLOURS_3, IDC_COLOURS_4,
                                 IDC_COLOURS_5, IDC_COLOURS_6, IDC_COLOURS_7};

// A positive whole number of at most max_digits digits from an edit box, or the default,
// which is then written back into the box.
int read_count(int id, int max_digits, int fallback, const char* fallback_text) {
    char text[8] = "";
    get_control_text(id, text, max_digits + 1);
    bool valid = text[0] != '\0';
    for (const char* p = text; *p; ++p) {
        valid = valid && *p >= '0' && *p <= '9';
    }
    const int value = valid ? std::atoi(text) : 0;
    if (value == 0) {
        set_control_text(id, fallback_text);
        return fallback;
    }
    return value;
}

void enable_player_fields(bool enabled) {
    for (int id : player_fields) {
        enable_control(id, enabled);
    }
}

} // namespace

bool enable_settings_controls(bool enabled) {
    for (int id : {IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND}) {
        enable_control(id, enabled);
    }
    if (!enabled || two_colours_allowed(game.initial_ball_count)) {
        enable_control(IDC_COLOURS_2, enabled);
    }
    bool last_was_disabled = false;
    for (int id : {IDC_COLOURS_3, IDC_COLOURS_4, IDC_COLOURS_5, IDC_COLOURS_6, IDC_COLOURS_7}) {
        last_was_disabled = enable_control(id, enabled);
    }
    return last_was_disabled;
}

void new_test() {
    game.round_count = read_count(IDC_ROUNDS, rounds_digits, 6, "6");
    game.lines_per_round = read_count(IDC_LINES_PER_ROUND, lines_per_round_digits, 12, "12");

    enable_control(IDC_SKIP, true);
    enable_control(IDC_INTERNET, false);
    enable_player_fields(false);

    game.colour_count = 0;
    read_colour_count();
    if (game.colour_count == 0) {
        game.colour_count = most_colours;
    }

    enable_settings_controls(false);
    start_test();
}

void read_colour_count() {
    for (int i = 0; i < 6; ++i) {
        if (is_button_checked(colour_radios[i])) {
            game.colour_count = fewest_colours + i;
        }
    }
}

void start_test() {
    enable_control(IDC_NEW, false);
    enable_control(IDC_SKIP, true);
    game.initial_ball_count = list_selection() + fewest_initial_balls;
    game.current_round = 1;
    game.total_lines = 0;
    game.total_moves = 0;
    game.lines_this_round = 0;
    show_score();
    set_control_text(IDC_ACCURACY_DISPLAY, "0.0");
    rng_seed(current_time());
    reset_board();
    start_round_fill();
}

void end_round() {
    ++game.current_round;
    game.ball_count = 64; // so that the new preview shows no balls
    draw_new_preview();
    if (game.current_round <= game.round_count) {
        show_score();
        reset_board();
        start_round_fill();
        return;
    }
    // The test is over: the board keeps its last position, the result can be sent. The colour
    // radios have been disabled since new_test, so this leaves them as they are.
    enable_settings_controls(false);
    enable_control(IDC_SKIP, false);
    enable_control(IDC_INTERNET, true);
    enable_player_fields(true);
}

void skip_round() { end_round(); }
