// Builds the control panel from its dialog template and applies the ball-count rule.
#include "engine/game_state.h"
#include "panel/control_ids.h"
#include "panel/panel_placement.h"
#include "panel/panel_win32.h"
#include "record/settings_record_win32.h"
#include "render/geometry.h"
#include "shell/shell_globals_win32.h"
#include "shell/window_procs_win32.h"

#include <cstdio>
#include <vector>

namespace {

// The template rewritten for this screen, or nothing when the resource cannot be had.
std::vector<uint8_t> placed_template(WORD resource_id) {
    const HRSRC found = FindResourceA(module_instance, MAKEINTRESOURCEA(resource_id), RT_DIALOG);
    const HGLOBAL loaded = found ? LoadResource(module_instance, found) : nullptr;
    const void* locked = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(module_instance, found) : 0;
    if (!locked || size == 0) {
        return {};
    }
    const LONG units = GetDialogBaseUnits();
    const DialogBaseUnits base = {LOWORD(units), HIWORD(units)};
    fill_control_layout();
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(locked),
                              static_cast<const uint8_t*>(locked) + size);
    if (place_panel_template(copy.data(), copy.size(), base, geometry) < 0) {
        return {};
    }
    return copy;
}

void fetch_control_handles(HWND panel) {
    PanelControls& p = panel_controls;
    p.panel = panel;
    for (int i = 0; i < 6; ++i) {
        p.colour_radios[i] = GetDlgItem(panel, id_colours_2 + i);
    }
    p.new_button = GetDlgItem(panel, id_new);
    p.skip_button = GetDlgItem(panel, id_skip);
    p.internet_button = GetDlgItem(panel, id_internet);
    p.info_button = GetDlgItem(panel, id_info);
    p.hidden_field = GetDlgItem(panel, id_hidden_field);
    p.country = GetDlgItem(panel, id_country);
    p.email = GetDlgItem(panel, id_email);
    p.city = GetDlgItem(panel, id_city);
    p.birth_year = GetDlgItem(panel, id_birth_year);
    p.nickname = GetDlgItem(panel, id_nickname);
    p.rounds = GetDlgItem(panel, id_rounds);
    p.lines_per_round = GetDlgItem(panel, id_lines_per_round);
    p.privacy_switch = GetDlgItem(panel, id_privacy_switch);
    p.ball_count_list = GetDlgItem(panel, id_ball_count_list);
}

// The longest text each edit takes, in characters; the record has room for exactly these.
void limit_edit_texts() {
    const struct {
        HWND edit;
        int limit;
    } limits[] = {
        {panel_controls.hidden_field, 77}, {panel_controls.country, 2},
        {panel_controls.email, 51},        {panel_controls.city, 25},
        {panel_controls.birth_year, 4},    {panel_controls.nickname, 16},
        {panel_controls.rounds, 3},        {panel_controls.lines_per_round, 4},
    };
    for (const auto& l : limits) {
        SendMessageA(l.edit, EM_LIMITTEXT, l.limit, 0);
    }
}

void fill_ball_count_list() {
    for (int count = 29; count <= 59; ++count) {
        char text[12];
        std::snprintf(text, sizeof text, "%d", count);
        SendMessageA(panel_controls.ball_count_list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(text));
    }
}

} // namespace

void build_control_panel(WORD resource_id, HWND parent) {
    std::vector<uint8_t> copy = placed_template(resource_id);
    HWND panel = nullptr;
    if (!copy.empty()) {
        panel = CreateDialogIndirectParamA(module_instance,
                                           reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()), parent,
                                           panel_dialog_proc, 0);
    }
    copy = {};
    // Without a panel the rest still runs: the calls on missing controls do nothing, and the
    // settings still come from the stored record.
    fetch_control_handles(panel);
    limit_edit_texts();

    game.colour_count = 0;
    load_settings_record(panel);
    fill_ball_count_list();
    if (game.initial_ball_count <= 0) {
        game.initial_ball_count = 42;
    }
    // A stored count outside the list leaves it without a selection.
    SendMessageA(panel_controls.ball_count_list, CB_SETCURSEL, game.initial_ball_count - 29, 0);
    if (game.colour_count == 0) {
        SendMessageA(panel_controls.colour_radios[5], BM_SETCHECK, BST_CHECKED, 0);
        game.colour_count = 7;
    }
    if (apply_ball_count_rule(game.initial_ball_count)) {
        game.colour_count = 3;
    }
}

bool apply_ball_count_rule(int count) {
    HWND two = panel_controls.colour_radios[0];
    if (count <= 32) {
        EnableWindow(two, TRUE);
        return false;
    }
    EnableWindow(two, FALSE);
    if (SendMessageA(two, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        return false;
    }
    SendMessageA(two, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(panel_controls.colour_radios[1], BM_SETCHECK, BST_CHECKED, 0);
    return true;
}
