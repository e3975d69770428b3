// Builds the control panel from its dialog template and applies the ball-count rule.
#include "engine/colour_radios.h"
#include "panel/panel_placement.h"
#include "panel/panel_record_win32.h"
#include "panel/panel_win32.h"
#include "record/settings_record.h"
#include "render/geometry.h"
#include "resources/ambient_win32.h"
#include "resources/control_ids.h"

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
    for (int i = 0; i < colour_radio_count; ++i) {
        p.colour_radios[i] = GetDlgItem(panel, colour_radio_id(fewest_colours + i));
    }
    p.new_button = GetDlgItem(panel, IDC_NEW);
    p.skip_button = GetDlgItem(panel, IDC_SKIP);
    p.internet_button = GetDlgItem(panel, IDC_INTERNET);
    p.info_button = GetDlgItem(panel, IDC_INFO);
    p.hidden_field = GetDlgItem(panel, IDC_HIDDEN_FIELD);
    p.country = GetDlgItem(panel, IDC_COUNTRY);
    p.email = GetDlgItem(panel, IDC_EMAIL);
    p.city = GetDlgItem(panel, IDC_CITY);
    p.birth_year = GetDlgItem(panel, IDC_BIRTH_YEAR);
    p.nickname = GetDlgItem(panel, IDC_NICKNAME);
    p.rounds = GetDlgItem(panel, IDC_ROUNDS);
    p.lines_per_round = GetDlgItem(panel, IDC_LINES_PER_ROUND);
    p.privacy_switch = GetDlgItem(panel, IDC_PRIVACY_SWITCH);
    p.ball_count_list = GetDlgItem(panel, IDC_BALL_COUNT_LIST);
}

// The longest text each edit takes, in characters; the record has room for exactly these.
void limit_edit_texts() {
    const struct {
        HWND edit;
        int limit;
    } limits[] = {
        {panel_controls.hidden_field, hidden_text_limit},
        {panel_controls.country, country_limit},
        {panel_controls.email, email_limit},
        {panel_controls.city, city_limit},
        {panel_controls.birth_year, birth_year_limit},
        {panel_controls.nickname, nickname_limit},
        {panel_controls.rounds, rounds_digits},
        {panel_controls.lines_per_round, lines_per_round_digits},
    };
    for (const auto& l : limits) {
        SendMessageA(l.edit, EM_LIMITTEXT, l.limit, 0);
    }
}

void fill_ball_count_list() {
    for (int count = fewest_initial_balls; count <= most_initial_balls; ++count) {
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
    if (panel) {
        keep_rounds_caption_readable(panel);
    }
    // Without a panel the rest still runs: the calls on missing controls do nothing, and the
    // settings still come from the stored record.
    fetch_control_handles(panel);
    limit_edit_texts();

    fill_ball_count_list();
    load_settings_record(panel);
}

bool apply_ball_count_rule(int count) {
    HWND two = panel_controls.colour_radios[0];
    if (two_colours_allowed(count)) {
        EnableWindow(two, TRUE);
        return false;
    }
    EnableWindow(two, FALSE);
    if (SendMessageA(two, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        return false;
    }
    SendMessageA(two, BM_SETCHECK, BST_UNCHECKED, 0);
    const int allowed = allowed_colour_count(fewest_colours, count);
    SendMessageA(panel_controls.colour_radios[allowed - fewest_colours], BM_SETCHECK, BST_CHECKED,
                 0);
    return true;
}
