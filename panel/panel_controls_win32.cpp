// Handles of the panel's working controls.
#include "panel/panel_win32.h"
#include "resources/control_ids.h"

PanelControls panel_controls;

HWND panel_control(int id) {
    PanelControls& p = panel_controls;
    if (const int colour_count = colours_of_radio(id)) {
        return p.colour_radios[colour_count - fewest_colours];
    }
    switch (id) {
    case IDC_NEW:
        return p.new_button;
    case IDC_SKIP:
        return p.skip_button;
    case IDC_INTERNET:
        return p.internet_button;
    case IDC_INFO:
        return p.info_button;
    case IDC_HIDDEN_FIELD:
        return p.hidden_field;
    case IDC_COUNTRY:
        return p.country;
    case IDC_EMAIL:
        return p.email;
    case IDC_CITY:
        return p.city;
    case IDC_BIRTH_YEAR:
        return p.birth_year;
    case IDC_NICKNAME:
        return p.nickname;
    case IDC_ROUNDS:
        return p.rounds;
    case IDC_LINES_PER_ROUND:
        return p.lines_per_round;
    case IDC_PRIVACY_SWITCH:
        return p.privacy_switch;
    case IDC_BALL_COUNT_LIST:
        return p.ball_count_list;
    default:
        return nullptr;
    }
}
