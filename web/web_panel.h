// The panel's controls as the browser module keeps them; every change goes to the page.
#pragma once

#include <cstdint>
#include <string>

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

// What the player chooses before New: the ball count (its list entry), the colours (their
// radio, or three where two are not allowed with that many balls) and the two counts as
// typed. False, with nothing changed, for a ball or colour count the panel does not offer.
bool choose_web_settings(int ball_count, int colour_count, int round_count, int lines_per_round);

// The seed the next New takes in place of the clock: the page gives its clock or the seed a
// referee chose.
void set_web_clock(uint32_t seconds);
