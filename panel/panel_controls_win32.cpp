// Handles of the panel's working controls.
#include "panel/control_ids.h"
#include "panel/panel_win32.h"

PanelControls panel_controls;

HWND panel_control(int id) {
    PanelControls& p = panel_controls;
    switch (id) {
    case id_colours_2:
    case id_colours_3:
    case id_colours_4:
    case id_colours_5:
    case id_colours_6:
    case id_colours_7:
        return p.colour_radios[id - id_colours_2];
    case id_new:
        return p.new_button;
    case id_skip:
        return p.skip_button;
    case id_internet:
        return p.internet_button;
    case id_info:
        return p.info_button;
    case id_hidden_field:
        return p.hidden_field;
    case id_country:
        return p.country;
    case id_email:
        return p.email;
    case id_city:
        return p.city;
    case id_birth_year:
        return p.birth_year;
    case id_nickname:
        return p.nickname;
    case id_rounds:
        return p.rounds;
    case id_lines_per_round:
        return p.lines_per_round;
    case id_privacy_switch:
        return p.privacy_switch;
    case id_ball_count_list:
        return p.ball_count_list;
    default:
        return nullptr;
    }
}
