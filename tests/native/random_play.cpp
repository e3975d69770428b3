// Random play through the engine's own handlers, with the engine's invariants checked.
#include "tests/native/random_play.h"

#include "engine/game_state.h"
#include "engine/play.h"
#include "panel/control_ids.h"
#include "record/result_link.h"
#include "record/settings_record.h"
#include "tests/native/engine_fakes.h"
#include "tests/native/panel_fakes.h"

namespace {

// The test's own generator, apart from the engine's, so that the clicks never disturb the
// engine's sequence of random numbers.
uint32_t next(uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 33);
}

// What start-up puts into the panel from a stored record.
void fill_panel_from(std::string_view record) {
    const RecordReading reading = read_settings_record(record, game);
    for (const ControlText& text : reading.texts) {
        control(text.control_id).text = text.text;
    }
    if (reading.checked_radio) {
        for (int id = id_colours_2; id <= id_colours_7; ++id) {
            control(id).checked = id == reading.checked_radio;
        }
    }
    const int32_t balls = game.initial_ball_count <= 0 ? 42 : game.initial_ball_count;
    fake_panel.list_selection = balls >= 29 && balls <= 59 ? balls - 29 : -1;
}

// The Internet button: the record and its link made from the finished test, then the
// settings enabled again.
void press_internet() {
    const PlayerTexts texts = {control(id_nickname).text,   control(id_country).text,
                               control(id_city).text,       control(id_hidden_field).text,
                               control(id_birth_year).text, control(id_email).text};
    const std::string record = build_settings_record(game, texts);
    if (decode_result_link(result_link(record)).record != record) {
        control(id_info).text = "link lost the record";
    }
    for (int id : {id_new, id_ball_count_list, id_rounds, id_lines_per_round, id_colours_3,
                   id_colours_4, id_colours_5, id_colours_6, id_colours_7}) {
        control(id).enabled = true;
    }
    control(id_colours_2).enabled = game.initial_ball_count < 33;
}

struct Counters {
    int32_t round, lines, moves;
};

bool running() { return !control(id_new).enabled && game.current_round <= game.round_count; }

std::string broken_invariant(const Counters& before) {
    if (control(id_info).text == "link lost the record") {
        return "the result link did not give the record back";
    }
    // Once a test is over the count is set to a full board on purpose, so that the preview
    // shows no balls; New starts from an empty board again.
    if (!running()) {
        return "";
    }
    int balls = 0;
    for (uint8_t v : game.board) {
        balls += v != 0;
    }
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
            if (control(id_new).enabled) {
                // Short tests of few colours, so that lines, rounds and test ends come often.
                if (next(state) % 2) {
                    fake_panel.list_selection = int(next(state) % 31);
                    control(id_rounds).text = std::to_string(1 + next(state) % 3);
                    control(id_lines_per_round).text = std::to_string(1 + next(state) % 3);
                    const int colours = 2 + int(next(state) % 3);
                    for (int id = id_colours_2; id <= id_colours_7; ++id) {
                        control(id).checked = id == id_colours_2 + colours - 2;
                    }
                }
                ++fake_panel.time;
                on_new();
                counters = {0, 0, 0};
            }
        } else if (pick < 5) {
            name = "Skip";
            if (control(id_skip).enabled) {
                on_skip();
            }
        } else if (pick < 7) {
            name = "Internet";
            if (control(id_internet).enabled) {
                press_internet();
            }
        } else if (pick < 10) {
            name = "a move of the mouse over the board";
            update_cursor();
        } else if (pick < 13) {
            name = "a click outside the grid";
            on_board_click(int(next(state) % 400) - 100, 175 + int(next(state) % 100));
        } else {
            on_board_click(100 + 10 * (cell / 8), 100 + 10 * (cell % 8));
        }
        engine_calls.clear();
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
