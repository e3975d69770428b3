// Random play through the engine's own handlers, with the engine's invariants checked.
#include "tests/support/random_play.h"

#include "engine/colour_radios.h"
#include "engine/game_state.h"
#include "engine/panel_phases.h"
#include "engine/play.h"
#include "panel/startup_settings.h"
#include "record/result_link.h"
#include "record/settings_record.h"
#include "render/geometry.h"
#include "resources/control_ids.h"
#include "tests/support/drawing_fake.h"
#include "tests/support/panel_fake.h"

namespace {

// The test's own generator, apart from the engine's, so that the clicks never disturb the
// engine's sequence of random numbers.
uint32_t next(uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 33);
}

// What start-up puts into the panel and the settings from a stored record, by the program's
// own rules, then the panel's start phase.
void fill_panel_from(std::string_view record) {
    const StartupSettings start = startup_settings(record, game.settings);
    game.settings = start.settings;
    for (const ControlText& text : start.texts) {
        control(text.control_id).text = text.text;
    }
    for (int colours = fewest_colours; colours <= most_colours; ++colours) {
        control(colour_radio_id(colours)).checked = colour_radio_id(colours) == start.checked_radio;
    }
    control(colour_radio_id(fewest_colours)).enabled = start.two_colours_enabled;
    fake_panel.list_selection = start.list_index;
    enter_panel_phase(PanelPhase::start);
}

// The Internet button: the record and its link made from the finished test, then the
// settings enabled again. False when the link does not give the record back.
bool press_internet() {
    const PlayerTexts texts = {control(IDC_NICKNAME).text,   control(IDC_COUNTRY).text,
                               control(IDC_CITY).text,       control(IDC_HIDDEN_FIELD).text,
                               control(IDC_BIRTH_YEAR).text, control(IDC_EMAIL).text};
    const std::string record = build_settings_record(game.settings, game.total_moves, texts);
    enter_panel_phase(PanelPhase::result_sent);
    return decode_result_link(result_link(record)).record == record;
}

struct Counters {
    int32_t round, lines, moves;
};

bool running() {
    return !control(IDC_NEW).enabled && game.current_round <= game.settings.round_count;
}

std::string broken_invariant(const Counters& before) {
    // Once a test is over the count is set to a full board on purpose, so that the preview
    // shows no balls; New starts from an empty board again.
    if (!running()) {
        return "";
    }
    const int balls = balls_on_board();
    if (balls != game.ball_count) {
        return "ball count " + std::to_string(game.ball_count) + " but " + std::to_string(balls) +
               " balls on the board";
    }
    if (board_has_line_of_five()) {
        return "a line of five stands while the player is to move";
    }
    if (game.current_round < before.round || game.total_lines < before.lines ||
        game.total_moves < before.moves) {
        return "a counter went down";
    }
    if (game.preview_count != 5) {
        return "the preview holds " + std::to_string(game.preview_count) + " balls";
    }
    return "";
}

} // namespace

std::string play_randomly(uint32_t seed, int actions, std::string_view stored_record) {
    reset_engine_fixture();
    reset_fake_panel();
    fill_panel_from(stored_record);
    fake_panel.time = seed;
    uint64_t state = seed;
    Counters counters = {0, 0, 0};
    for (int action = 0; action < actions; ++action) {
        const uint32_t pick = next(state) % 100;
        const int cell = int(next(state) % 64);
        const char* name = "a click on a cell";
        if (pick < 3) {
            name = "New";
            if (control(IDC_NEW).enabled) {
                // Short tests of few colours, so that lines, rounds and test ends come often.
                if (next(state) % 2) {
                    fake_panel.list_selection =
                        int(next(state) % (most_initial_balls - fewest_initial_balls + 1));
                    control(IDC_ROUNDS).text = std::to_string(1 + next(state) % 3);
                    control(IDC_LINES_PER_ROUND).text = std::to_string(1 + next(state) % 3);
                    // Two colours become three where the list's count does not allow them,
                    // as the panel's ball-count rule makes them.
                    const int colours =
                        allowed_colour_count(fewest_colours + int(next(state) % 3),
                                             fake_panel.list_selection + fewest_initial_balls);
                    for (int c = fewest_colours; c <= most_colours; ++c) {
                        control(colour_radio_id(c)).checked = c == colours;
                    }
                }
                ++fake_panel.time;
                new_test();
                counters = {0, 0, 0};
            }
        } else if (pick < 5) {
            name = "Skip";
            if (control(IDC_SKIP).enabled) {
                skip_round();
            }
        } else if (pick < 7) {
            name = "Internet";
            if (control(IDC_INTERNET).enabled && !press_internet()) {
                return "the result link did not give the record back after action " +
                       std::to_string(action + 1);
            }
        } else if (pick < 10) {
            name = "a move of the mouse over the board";
            choose_board_cursor();
        } else if (pick < 13) {
            name = "a click outside the grid";
            click_board_at(int(next(state) % 400) - 100, 175 + int(next(state) % 100));
        } else {
            click_board_at(cell_centre_x(cell / 8), cell_centre_y(cell % 8));
        }
        drawing_calls.clear();
        const std::string broken = broken_invariant(counters);
        if (!broken.empty()) {
            return broken + " after action " + std::to_string(action + 1) + " (" + name + ")";
        }
        if (running()) {
            counters = {game.current_round, game.total_lines, game.total_moves};
        }
    }
    return "";
}
