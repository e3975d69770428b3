// The panel's rules, run on every command before the command table.
#include "engine/test_settings.h"
#include "panel/panel_win32.h"
#include "record/privacy_switch_win32.h"
#include "resources/control_ids.h"

void apply_panel_rules(WORD control_id, WORD notification) {
    if (notification == CBN_SELENDOK) {
        const LRESULT selected = SendMessageA(panel_controls.ball_count_list, CB_GETCURSEL, 0, 0);
        apply_ball_count_rule(int(selected) + fewest_initial_balls);
    }
    if (notification == BN_CLICKED && control_id == IDC_PRIVACY_SWITCH) {
        toggle_privacy_switch();
    }
}
