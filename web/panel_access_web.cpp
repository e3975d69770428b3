// Implements engine/panel_access.h for the browser: the controls' state lives in the module
// and every change is passed to the page, which shows it.
#include "engine/colour_radios.h"
#include "engine/game_state.h"
#include "engine/panel_access.h"
#include "engine/panel_phases.h"
#include "resources/control_ids.h"
#include "web/page_calls.h"
#include "web/web_panel.h"

#include <cstddef>
#include <cstring>
#include <map>
#include <string>

namespace {

std::map<int, WebControl> controls;
int selected_list_index = -1;
uint32_t clock_seconds = 0;

void check_button(int id, bool checked) {
    controls[id].checked = checked;
    page_control_checked_changed(id, checked);
}

void select_list_index(int index) {
    selected_list_index = index;
    page_list_selection_changed(index);
}

} // namespace

void get_control_text(int id, char* text, int size) {
    if (size <= 0) {
        return;
    }
    const std::string& held = controls[id].text;
    const size_t length = held.size() < size_t(size - 1) ? held.size() : size_t(size - 1);
    std::memcpy(text, held.data(), length);
    text[length] = '\0';
}

void set_control_text(int id, const char* text) {
    std::string& held = controls[id].text;
    // The score is set after every ball placed, mostly unchanged: the page hears of changes.
    if (held == text) {
        return;
    }
    held = text;
    page_control_text_changed(id, held.data(), int(held.size()));
}

bool enable_control(int id, bool enabled) {
    WebControl& control = controls[id];
    const bool was_disabled = !control.enabled;
    control.enabled = enabled;
    page_control_enabled_changed(id, enabled);
    return was_disabled;
}

bool is_button_checked(int id) { return controls[id].checked; }

int list_selection() { return selected_list_index; }

void set_board_cursor(BoardCursor cursor) {
    page_board_cursor_changed(cursor == BoardCursor::cross);
}

uint32_t current_time() { return clock_seconds; }

void show_consistency_message() { page_consistency_message(); }

const WebControl& web_control(int id) { return controls[id]; }

int web_list_selection() { return selected_list_index; }

void start_web_panel() {
    controls.clear();
    reset_game_state();
    game.settings.initial_ball_count = default_initial_balls;
    select_list_index(default_initial_balls - fewest_initial_balls);
    set_control_text(IDC_ROUNDS, std::to_string(default_rounds).c_str());
    set_control_text(IDC_LINES_PER_ROUND, std::to_string(default_lines_per_round).c_str());
    for (int colours = fewest_colours; colours <= most_colours; ++colours) {
        check_button(colour_radio_id(colours), colours == default_colours);
    }
    enter_panel_phase(PanelPhase::start);
}

bool choose_web_settings(int ball_count, int colour_count, int round_count, int lines_per_round) {
    if (ball_count < fewest_initial_balls || ball_count > most_initial_balls ||
        colour_count < fewest_colours || colour_count > most_colours) {
        return false;
    }
    select_list_index(ball_count - fewest_initial_balls);
    const int allowed = allowed_colour_count(colour_count, ball_count);
    for (int colours = fewest_colours; colours <= most_colours; ++colours) {
        check_button(colour_radio_id(colours), colours == allowed);
    }
    // Typed as the player would; New judges them by the panel's rules.
    set_control_text(IDC_ROUNDS, std::to_string(round_count).c_str());
    set_control_text(IDC_LINES_PER_ROUND, std::to_string(lines_per_round).c_str());
    return true;
}

void set_web_clock(uint32_t seconds) { clock_seconds = seconds; }
