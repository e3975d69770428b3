// Starting a test from the panel's settings, ending rounds and the test.
#include "engine/colour_radios.h"
#include "engine/game_state.h"
#include "engine/panel_access.h"
#include "engine/panel_phases.h"
#include "engine/play.h"
#include "resources/control_ids.h"

#include <string>

namespace {

// A positive whole number of at most max_digits digits from an edit box, or the fallback,
// which is then written back into the box.
int read_count(int id, int max_digits, int fallback) {
    char text[8] = "";
    get_control_text(id, text, max_digits + 1);
    const int value = typed_count(text, max_digits);
    if (value == 0) {
        set_control_text(id, std::to_string(fallback).c_str());
        return fallback;
    }
    return value;
}

} // namespace

void new_test() { new_test_from(seeded_random_state(current_time())); }

void new_test_from(uint64_t random_state) {
    game.settings.round_count = read_count(IDC_ROUNDS, rounds_digits, default_rounds);
    game.settings.lines_per_round =
        read_count(IDC_LINES_PER_ROUND, lines_per_round_digits, default_lines_per_round);

    game.settings.colour_count = 0;
    read_colour_count();
    if (game.settings.colour_count == 0) {
        game.settings.colour_count = default_colours;
    }

    enter_panel_phase(PanelPhase::test_running);
    start_test(random_state);
}

void read_colour_count() {
    for (int colours = fewest_colours; colours <= most_colours; ++colours) {
        if (is_button_checked(colour_radio_id(colours))) {
            game.settings.colour_count = colours;
        }
    }
}

void start_test(uint64_t random_state) {
    game.settings.initial_ball_count = list_selection() + fewest_initial_balls;
    game.current_round = 1;
    game.total_lines = 0;
    game.total_moves = 0;
    game.lines_this_round = 0;
    show_score();
    set_control_text(IDC_ACCURACY_DISPLAY, "0.0");
    game.random_state = random_state;
    reset_board();
    start_round_fill();
}

void end_round() {
    ++game.current_round;
    game.ball_count = board_cells; // so that the new preview shows no balls
    draw_new_preview();
    if (game.current_round <= game.settings.round_count) {
        show_score();
        reset_board();
        start_round_fill();
        return;
    }
    // The test is over: the board keeps its last position, the result can be sent.
    enter_panel_phase(PanelPhase::test_over);
}

void skip_round() { end_round(); }
