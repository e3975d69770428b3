// The control panel: construction, handles of its working controls and its handlers.
#pragma once

#include <windows.h>

struct PanelControls {
    HWND panel;
    HWND colour_radios[6]; // "2" to "7"
    HWND new_button;
    HWND skip_button;
    HWND internet_button;
    HWND info_button;
    HWND hidden_field;
    HWND country;
    HWND email;
    HWND city;
    HWND birth_year;
    HWND nickname;
    HWND rounds;
    HWND lines_per_round;
    HWND privacy_switch;
    HWND ball_count_list;
};

extern PanelControls panel_controls;

// The handle of a working control by its id; none for other ids.
HWND panel_control(int id);

void build_control_panel(WORD resource_id, HWND parent);
// Lets the rounds frame's caption be painted over the colour frame where that reaches into its
// letters; part of building the panel.
void keep_rounds_caption_readable(HWND panel);
void create_panel_tooltips(HWND board);
// Allows two colours only where two_colours_allowed; true if it moved the colour choice.
bool apply_ball_count_rule(int count);

// The rules every panel command passes before its handler: the ball-count rule on a new list
// choice, and the privacy switch.
void apply_panel_rules(WORD control_id, WORD notification);

LRESULT on_panel_button_up(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_panel_mouse_move(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_panel_init(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_info(HWND panel, WORD control_id, WORD notification, HWND control);
LRESULT on_panel_cancel(HWND panel, WORD control_id, WORD notification, HWND control);
