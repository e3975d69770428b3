// The fake of engine/panel_access.h.
#include "tests/support/panel_fake.h"

#include "resources/control_ids.h"

#include <cstring>

FakePanel fake_panel;

FakeControl& control(int id) { return fake_panel.controls[id]; }

void reset_fake_panel() {
    fake_panel = FakePanel{};
    control(IDC_ROUNDS) = {"5", true, false};
    control(IDC_LINES_PER_ROUND) = {"12", true, false};
    control(IDC_COUNTRY).text = "ru";
    control(IDC_COLOURS_7).checked = true;
    for (int id : {IDC_NEW, IDC_BALL_COUNT_LIST, IDC_COLOURS_3, IDC_COLOURS_4, IDC_COLOURS_5,
                   IDC_COLOURS_6, IDC_COLOURS_7, IDC_PRIVACY_SWITCH, IDC_INFO}) {
        control(id).enabled = true;
    }
}

void get_control_text(int id, char* text, int size) {
    if (size <= 0) {
        return;
    }
    std::strncpy(text, control(id).text.c_str(), size_t(size - 1));
    text[size - 1] = '\0';
}

void set_control_text(int id, const char* text) { control(id).text = text; }
bool enable_control(int id, bool enabled) {
    const bool was_disabled = !control(id).enabled;
    control(id).enabled = enabled;
    return was_disabled;
}
bool is_button_checked(int id) { return control(id).checked; }
int list_selection() { return fake_panel.list_selection; }

void set_board_cursor(BoardCursor cursor) {
    fake_panel.cursor = cursor;
    ++fake_panel.cursor_changes;
    if (fake_panel.on_cursor_change) {
        fake_panel.on_cursor_change();
    }
}

uint32_t current_time() { return fake_panel.time; }
void show_consistency_message() { ++fake_panel.consistency_messages; }
