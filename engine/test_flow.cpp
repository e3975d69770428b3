// Starting a test from the panel's settings, ending rounds and the test.
#include "engine/engine_calls.h"
#include "engine/game_state.h"
#include "engine/panel_access.h"
#include "engine/play.h"
#include "panel/control_ids.h"

#include <cstdlib>
#include <initializer_list>

namespace {

constexpr int player_fields[] = {id_hidden_field, id_country,    id_email,
                                 id_city,         id_birth_year, id_nickname};
constexpr int colour_radios[] = {id_colours_2, id_colours_3, id_colours_4,
                                 id_colours_5, id_colours_6, id_colours_7};

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

void on_new() {
    game.round_count = read_count(id_rounds, 3, 6, "6");
    game.lines_per_round = read_count(id_lines_per_round, 4, 12, "12");

    enable_control(id_skip, true);
    enable_control(id_internet, false);
    enable_player_fields(false);
    enable_control(id_ball_count_list, false);

    game.colour_count = 0;
    read_colour_count();
    if (game.colour_count == 0) {
        game.colour_count = 7;
    }

    enable_control(id_rounds, false);
    enable_control(id_lines_per_round, false);
    for (int id : colour_radios) {
        enable_control(id, false);
    }
    start_test();
}

void read_colour_count() {
    for (int i = 0; i < 6; ++i) {
        if (is_button_checked(colour_radios[i])) {
            game.colour_count = 2 + i;
        }
    }
}

void start_test() {
    enable_control(id_new, false);
    enable_control(id_skip, true);
    game.initial_ball_count = list_selection() + 29;
    game.current_round = 1;
    game.total_lines = 0;
    game.total_moves = 0;
    game.lines_this_round = 0;
    show_score();
    set_control_text(id_accuracy_display, "0.0");
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
    // The test is over: the board keeps its last position, the result can be sent.
    for (int id : {id_rounds, id_lines_per_round, id_ball_count_list, id_skip}) {
        enable_control(id, false);
    }
    enable_control(id_internet, true);
    enable_player_fields(true);
}

void on_skip() { end_round(); }
