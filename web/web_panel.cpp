// The browser's panel: the controls' state lives in the module and every change is passed
// to the page, which shows it. The phase table's switches arrive through engine/panel_access.h.
#include "web/web_panel.h"

#include "engine/colour_radios.h"
#include "engine/panel_access.h"
#include "engine/panel_phases.h"
#include "resources/control_ids.h"
#include "web/page_calls.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace {

// The controls the page shows and an answer may set: the phase table's and the displays.
constexpr int panel_controls[] = {IDC_NEW,           IDC_SKIP,
                                  IDC_INTERNET,      IDC_HIDDEN_FIELD,
                                  IDC_COUNTRY,       IDC_EMAIL,
                                  IDC_CITY,          IDC_BIRTH_YEAR,
                                  IDC_NICKNAME,      IDC_BALL_COUNT_LIST,
                                  IDC_ROUNDS,        IDC_LINES_PER_ROUND,
                                  IDC_COLOURS_2,     IDC_COLOURS_3,
                                  IDC_COLOURS_4,     IDC_COLOURS_5,
                                  IDC_COLOURS_6,     IDC_COLOURS_7,
                                  IDC_LINES_DISPLAY, IDC_ACCURACY_DISPLAY};

bool is_panel_control(int id) {
    return std::find(std::begin(panel_controls), std::end(panel_controls), id) !=
           std::end(panel_controls);
}

std::map<int, WebControl> controls;
int selected_list_index = -1;

void set_text(int id, std::string_view text) {
    std::string& held = controls[id].text;
    if (held == text) {
        return;
    }
    held = text;
    page_control_text_changed(id, held.data(), int(held.size()));
}

void check_button(int id, bool checked) {
    controls[id].checked = checked;
    page_control_checked_changed(id, checked);
}

void check_only_radio(int colour_count) {
    for (int colours = fewest_colours; colours <= most_colours; ++colours) {
        check_button(colour_radio_id(colours), colours == colour_count);
    }
}

void select_list_index(int index) {
    selected_list_index = index;
    page_list_selection_changed(index);
}

int chosen_ball_count() { return selected_list_index + fewest_initial_balls; }

// A count typed into an edit, as New reads it; a text that gives none becomes the default.
int32_t read_count(int id, int max_digits, int32_t fallback) {
    const int32_t count = typed_count(controls[id].text, max_digits);
    if (count == 0) {
        set_text(id, std::to_string(fallback));
        return fallback;
    }
    return count;
}

} // namespace

bool enable_control(int id, bool enabled) {
    WebControl& control = controls[id];
    const bool was_disabled = !control.enabled;
    control.enabled = enabled;
    page_control_enabled_changed(id, enabled);
    return was_disabled;
}

const WebControl& web_control(int id) { return controls[id]; }

int web_list_selection() { return selected_list_index; }

void start_web_panel() {
    controls.clear();
    select_list_index(default_initial_balls - fewest_initial_balls);
    set_text(IDC_ROUNDS, std::to_string(default_rounds));
    set_text(IDC_LINES_PER_ROUND, std::to_string(default_lines_per_round));
    check_only_radio(default_colours);
    enter_panel_phase(PanelPhase::start, chosen_ball_count());
}

bool set_web_text(int id, std::string_view text) {
    if (!is_panel_control(id)) {
        return false;
    }
    set_text(id, text);
    return true;
}

bool set_web_enabled(int id, bool enabled) {
    if (!is_panel_control(id)) {
        return false;
    }
    enable_control(id, enabled);
    return true;
}

bool choose_web_ball_count(int ball_count) {
    if (!controls[IDC_BALL_COUNT_LIST].enabled || ball_count < fewest_initial_balls ||
        ball_count > most_initial_balls) {
        return false;
    }
    select_list_index(ball_count - fewest_initial_balls);
    const bool two_allowed = two_colours_allowed(ball_count);
    enable_control(IDC_COLOURS_2, two_allowed);
    if (!two_allowed && controls[IDC_COLOURS_2].checked) {
        check_only_radio(colours_instead_of_two);
    }
    return true;
}

bool choose_web_colours(int colour_count) {
    if (colour_count < fewest_colours || colour_count > most_colours ||
        !controls[colour_radio_id(colour_count)].enabled) {
        return false;
    }
    check_only_radio(colour_count);
    return true;
}

std::optional<TestSettings> read_web_settings() {
    if (!controls[IDC_NEW].enabled) {
        return std::nullopt;
    }
    TestSettings settings{};
    settings.initial_ball_count = chosen_ball_count();
    settings.round_count = read_count(IDC_ROUNDS, rounds_digits, default_rounds);
    settings.lines_per_round =
        read_count(IDC_LINES_PER_ROUND, lines_per_round_digits, default_lines_per_round);
    // The last checked radio counts, as the program reads them; none checked means the most.
    settings.colour_count = default_colours;
    for (int colours = fewest_colours; colours <= most_colours; ++colours) {
        if (controls[colour_radio_id(colours)].checked) {
            settings.colour_count = colours;
        }
    }
    return settings;
}

bool web_result_sent() {
    if (!controls[IDC_INTERNET].enabled) {
        return false;
    }
    enter_panel_phase(PanelPhase::result_sent, chosen_ball_count());
    return true;
}
