// The panel's rules, run on every command before the command table.
#include "panel/control_ids.h"
#include "panel/panel_win32.h"
#include "record/submit_win32.h"
#include "shell/message_tables_win32.h"

LRESULT on_panel_command(HWND panel, UINT, WPARAM wparam, LPARAM lparam) {
    if (HIWORD(wparam) == CBN_SELENDOK) {
        const LRESULT selected = SendMessageA(panel_controls.ball_count_list, CB_GETCURSEL, 0, 0);
        apply_ball_count_rule(int(selected) + 29);
    }
    if (HIWORD(wparam) == BN_CLICKED && LOWORD(wparam) == id_privacy_switch) {
        toggle_privacy_switch();
    }
    return dispatch_command(panel_commands, panel, wparam, lparam);
}
