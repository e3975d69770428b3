// The settings record and the panel: read into the controls at start, stored by Internet.
#include "panel/panel_record_win32.h"

#include "engine/game_state.h"
#include "engine/play.h"
#include "panel/panel_win32.h"
#include "panel/record_controls.h"
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

TestSettings game_settings() {
    return {game.initial_ball_count, game.colour_count, game.round_count, game.lines_per_round};
}

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
    TestSettings settings = game_settings();
    const RecordReading reading = read_settings_record(stored, settings);
    game.initial_ball_count = settings.initial_ball_count;
    game.colour_count = settings.colour_count;
    game.round_count = settings.round_count;
    game.lines_per_round = settings.lines_per_round;
    if (reading.stated_colours != 0) {
        SendDlgItemMessageA(panel, IDC_COLOURS_2 + reading.stated_colours - 2, BM_SETCHECK,
                            BST_CHECKED, 0);
    }
    for (const FieldText& field : reading.texts) {
        SetDlgItemTextA(panel, control_showing(field.field), field.text.c_str());
    }
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
    record_buffer = build_settings_record(game_settings(), game.total_moves, texts);
    // Failures are silent: the link is built from record_buffer all the same.
    write_stored_record(store_private_fields ? record_buffer
                                             : without_private_fields(record_buffer));
}

LRESULT submit_result(HWND panel, WORD, WORD, HWND) {
    store_settings_record(panel);
    const std::string link = result_link(record_buffer);
    // No browser is not worth a message: the panel is re-enabled all the same.
    ShellExecuteA(panel, "open", link.c_str(), nullptr, nullptr, SW_SHOW);

    EnableWindow(panel_control(IDC_NEW), TRUE);
    return enable_settings_controls(true);
}
