// Storing the record, opening the result link and the privacy switch.
#include "record/submit_win32.h"

#include "engine/game_state.h"
#include "panel/control_ids.h"
#include "panel/panel_win32.h"
#include "record/result_link.h"
#include "record/settings_record.h"
#include "record/settings_record_win32.h"
#include "record/stored_record_win32.h"

#include <shellapi.h>

int store_private_fields = 0;

LRESULT submit_result(HWND panel, WORD, WORD, HWND) {
    store_settings_record(panel);
    const std::string link = result_link(record_buffer);
    // No browser is not worth a message: the panel is re-enabled all the same.
    ShellExecuteA(panel, "open", link.c_str(), nullptr, nullptr, SW_SHOW);

    EnableWindow(panel_control(id_new), TRUE);
    EnableWindow(panel_control(id_ball_count_list), TRUE);
    EnableWindow(panel_control(id_rounds), TRUE);
    EnableWindow(panel_control(id_lines_per_round), TRUE);
    if (game.initial_ball_count < 33) {
        EnableWindow(panel_control(id_colours_2), TRUE);
    }
    BOOL last = FALSE;
    for (int id = id_colours_3; id <= id_colours_7; ++id) {
        last = EnableWindow(panel_control(id), TRUE);
    }
    return last;
}

void toggle_privacy_switch() {
    if (store_private_fields == 0) {
        store_private_fields = 1;
        return;
    }
    store_private_fields = 0;
    withhold_private_fields();
}

void withhold_private_fields() {
    std::string stored;
    if (read_stored_record(stored) && withhold_stored_fields(stored)) {
        write_stored_record(stored);
    }
}
