// A fake control panel for the play rules.
#include "tests/native/panel_fakes.h"

#include "panel/control_ids.h"

#include <cstring>

FakePanel fake_panel;

FakeControl& control(int id) { return fake_panel.controls[id]; }

void reset_fake_panel() {
    fake_panel = FakePanel{};
    control(id_rounds) = {"5", true, false};
    control(id_lines_per_round) = {"12", true, false};
    control(id_country).text = "ru";
    control(id_colours_7).checked = true;
    for (int id : {id_new, id_ball_count_list, id_colours_3, id_colours_4, id_colours_5,
                   id_colours_6, id_colours_7, id_privacy_switch, id_info}) {
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
void enable_control(int id, bool enabled) { control(id).enabled = enabled; }
bool is_button_checked(int id) { return control(id).checked; }
int list_selection() { return fake_panel.list_selection; }

void set_board_cursor(BoardCursor cursor) {
    fake_panel.cursor = cursor;
    ++fake_panel.cursor_changes;
}

uint32_t current_time() { return fake_panel.time; }
