// The settings record in the registry: read into the panel at start, stored by Internet.
#include "record/settings_record_win32.h"

#include "engine/game_state.h"
#include "panel/control_ids.h"
#include "record/settings_record.h"
#include "record/stored_record_win32.h"
#include "record/submit_win32.h"

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
    const RecordReading reading = read_settings_record(stored, game);
    if (reading.checked_radio != 0) {
        SendDlgItemMessageA(panel, reading.checked_radio, BM_SETCHECK, BST_CHECKED, 0);
    }
    for (const ControlText& control : reading.texts) {
        SetDlgItemTextA(panel, control.control_id, control.text.c_str());
    }
}

void store_settings_record(HWND panel) {
    const PlayerTexts texts = {
        edit_text(panel, id_nickname, nickname_limit),
        edit_text(panel, id_country, country_limit),
        edit_text(panel, id_city, city_limit),
        edit_text(panel, id_hidden_field, hidden_text_limit),
        edit_text(panel, id_birth_year, birth_year_limit),
        edit_text(panel, id_email, email_limit),
    };
    record_buffer = build_settings_record(game, texts);
    // Failures are silent: the link is built from record_buffer all the same.
    write_stored_record(store_private_fields ? record_buffer
                                             : without_private_fields(record_buffer));
}
