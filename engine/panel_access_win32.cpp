// The play rules' view of the panel: enabling goes through the fetched control handles,
// texts, checks and the list selection through the panel window by control id.
#include "engine/panel_access.h"
#include "panel/control_ids.h"
#include "panel/panel_win32.h"
#include "shell/shell_globals_win32.h"

#include <ctime>

void get_control_text(int id, char* text, int size) {
    if (GetDlgItemTextA(panel_controls.panel, id, text, size) == 0 && size > 0) {
        text[0] = '\0';
    }
}

void set_control_text(int id, const char* text) { SetDlgItemTextA(panel_controls.panel, id, text); }

void enable_control(int id, bool enabled) { EnableWindow(panel_control(id), enabled); }

bool is_button_checked(int id) {
    return (SendDlgItemMessageA(panel_controls.panel, id, BM_GETSTATE, 0, 0) & BST_CHECKED) != 0;
}

int list_selection() {
    return int(SendDlgItemMessageA(panel_controls.panel, id_ball_count_list, CB_GETCURSEL, 0, 0));
}

void set_board_cursor(BoardCursor cursor) {
    SetCursor(cursor == BoardCursor::cross ? cross_cursor : arrow_cursor);
}

uint32_t current_time() { return uint32_t(std::time(nullptr)); }
