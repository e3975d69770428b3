// The control panel: construction, handles of its working controls and its handlers.
#pragma once

#include "engine/colour_radios.h"

#include <windows.h>

struct PanelControls {
    HWND panel;
    HWND colour_radios[colour_radio_count]; // "2" to "7"
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

// panel/panel_controls_win32.cpp: the handles.
extern PanelControls panel_controls;
// The handle of a working control by its id; none for other ids.
HWND panel_control(int id);

// panel/panel_build_win32.cpp: the panel built, and the ball-count rule.
void build_control_panel(WORD resource_id, HWND parent);
// Allows two colours only where two_colours_allowed; true if it moved the colour choice.
bool apply_ball_count_rule(int count);

// panel/panel_frames_win32.cpp: lets the rounds frame's caption be painted over the colour
// frame where that reaches into its letters; part of building the panel.
void keep_rounds_caption_readable(HWND panel);

// panel/panel_tooltips_win32.cpp
void create_panel_tooltips(HWND board);

// panel/panel_commands_win32.cpp: the rules every panel command passes before its handler:
// the ball-count rule on a new list choice, and the privacy switch.
void apply_panel_rules(WORD control_id, WORD notification);

// panel/panel_links_win32.cpp: the link banners.
LRESULT on_panel_button_up(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT on_panel_mouse_move(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);

// panel/panel_fonts_win32.cpp: the fonts given to the controls.
LRESULT on_panel_init(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);

// panel/panel_info_win32.cpp: the information box and the panel's closing.
LRESULT on_info(HWND panel, WORD control_id, WORD notification, HWND control);
LRESULT on_panel_cancel(HWND panel, WORD control_id, WORD notification, HWND control);
