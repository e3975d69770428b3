// The panel's controls as the browser module keeps them; every change goes to the page.
#pragma once

#include "engine/test_settings.h"

#include <optional>
#include <string>
#include <string_view>

struct WebControl {
    std::string text;
    bool enabled = false;
    bool checked = false;
};

// The control with this id, as the module holds it.
const WebControl& web_control(int id);
int web_list_selection();

// The panel at start: no test yet, the default settings shown and the start phase's controls
// enabled; the page is told every control's state.
void start_web_panel();

// A text or an enabled state the referee's answer gives. False, with nothing changed, for an
// id that is no control of the panel's.
bool set_web_text(int id, std::string_view text);
bool set_web_enabled(int id, bool enabled);

// The player confirms a ball count in the list, or checks a colour radio: as the program's
// panel, radio "2" follows the count, and a check it loses moves to radio "3". False, with
// nothing changed, while the control is disabled or for a count it does not offer.
bool choose_web_ball_count(int ball_count);
bool choose_web_colours(int colour_count);

// The settings New reads from the panel, a rounds or lines text that gives no count rewritten
// to its default. Nothing while New is disabled.
std::optional<TestSettings> read_web_settings();

// The result of the finished test has been sent: New and the settings come back. False unless
// the test is over (Internet enabled).
bool web_result_sent();
