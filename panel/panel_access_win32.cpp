// Implements engine/panel_access.h: enabling goes through the fetched control handles,
// texts, checks and the list selection through the panel window by control id.
#include "engine/panel_access.h"
#include "panel/panel_win32.h"
#include "resources/ambient_win32.h"
#include "resources/control_ids.h"

#include <ctime>
#include <string>

void get_control_text(int id, char* text, int size) {
    if (GetDlgItemTextA(panel_controls.panel, id, text, size) == 0 && size > 0) {
        text[0] = '\0';
    }
}

namespace {

// The texts last given to the two score displays, which only the program writes.
std::string shown_score_texts[2];

std::string* shown_text(int id) {
    return id == IDC_LINES_DISPLAY      ? &shown_score_texts[0]
           : id == IDC_ACCURACY_DISPLAY ? &shown_score_texts[1]
                                        : nullptr;
}

} // namespace

void set_control_text(int id, const char* text) {
    // The score is shown after every ball placed, mostly unchanged, and a static control
    // repaints itself on every new text: an unchanged display text is not set again.
    std::string* shown = shown_text(id);
    if (shown && *shown == text && !shown->empty()) {
        return;
    }
    if (SetDlgItemTextA(panel_controls.panel, id, text) && shown) {
        *shown = text;
    }
}

bool enable_control(int id, bool enabled) { return EnableWindow(panel_control(id), enabled) != 0; }

bool is_button_checked(int id) {
    return (SendDlgItemMessageA(panel_controls.panel, id, BM_GETSTATE, 0, 0) & BST_CHECKED) != 0;
}

int list_selection() {
    return int(SendDlgItemMessageA(panel_controls.panel, IDC_BALL_COUNT_LIST, CB_GETCURSEL, 0, 0));
}

void set_board_cursor(BoardCursor cursor) {
    SetCursor(cursor == BoardCursor::cross ? cross_cursor : arrow_cursor);
}

uint32_t current_time() { return uint32_t(std::time(nullptr)); }

void show_consistency_message() { MessageBoxA(main_window, "Невозможно0", nullptr, MB_OK); }
