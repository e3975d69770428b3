// The settings record and the panel: read into the controls at start, stored by Internet.
#include "panel/panel_record_win32.h"

#include "engine/colour_radios.h"
#include "engine/game_state.h"
#include "engine/panel_phases.h"
#include "panel/startup_settings.h"
#include "record/privacy_switch_win32.h"
#include "record/result_link.h"
#include "record/settings_record.h"
#include "record/stored_record_win32.h"
#include "resources/control_ids.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

std::string record_buffer;

namespace {

// The edit's text cut to its limit, as the record carries it.
std::string edit_text(HWND panel, int control_id, int limit) {
    std::vector<char> text(size_t(limit) + 1, '\0');
    const UINT length = GetDlgItemTextA(panel, control_id, text.data(), limit + 1);
    return std::string(text.data(), std::min<size_t>(length, size_t(limit)));
}

} // namespace

void load_settings_record(HWND panel) {
    // A missing, unreadable or oversized value reads as an empty record.
    std::string stored;
    read_stored_record(stored);
    const StartupSettings start = startup_settings(stored, game.settings);
    game.settings = start.settings;
    for (const ControlText& text : start.texts) {
        SetDlgItemTextA(panel, text.control_id, text.text.c_str());
    }
    SendDlgItemMessageA(panel, IDC_BALL_COUNT_LIST, CB_SETCURSEL, WPARAM(start.list_index), 0);
    if (start.checked_radio != 0) {
        SendDlgItemMessageA(panel, start.checked_radio, BM_SETCHECK, BST_CHECKED, 0);
    }
    EnableWindow(GetDlgItem(panel, colour_radio_id(fewest_colours)), start.two_colours_enabled);
}

void store_settings_record(HWND panel) {
    const PlayerTexts texts = {
        edit_text(panel, IDC_NICKNAME, nickname_limit),
        edit_text(panel, IDC_COUNTRY, country_limit),
        edit_text(panel, IDC_CITY, city_limit),
        edit_text(panel, IDC_HIDDEN_FIELD, hidden_text_limit),
        edit_text(panel, IDC_BIRTH_YEAR, birth_year_limit),
        edit_text(panel, IDC_EMAIL, email_limit),
    };
    record_buffer = build_settings_record(game.settings, game.total_moves, texts);
    // Failures are silent: the link is built from record_buffer all the same.
    write_stored_record(store_private_fields ? record_buffer
                                             : without_private_fields(record_buffer));
}

LRESULT submit_result(HWND panel, WORD, WORD, HWND) {
    store_settings_record(panel);
    const std::string link = result_link(record_buffer);
    // No browser is not worth a message: the panel is re-enabled all the same.
    ShellExecuteA(panel, "open", link.c_str(), nullptr, nullptr, SW_SHOW);

    return enter_panel_phase(PanelPhase::result_sent);
}
