// A small panel of real controls with the real ids, standing in for the built control panel.
#include "tests/win32/stand_in_panel_win32.h"

#include "engine/game_state.h"
#include "panel/panel_win32.h"
#include "record/privacy_switch_win32.h"
#include "resources/control_ids.h"

#include <vector>

namespace {

HWND add_control(HWND panel, const char* window_class, DWORD style, int id, int y) {
    return CreateWindowExA(0, window_class, "", WS_CHILD | WS_VISIBLE | style, 0, y, 100, 20, panel,
                           reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr),
                           nullptr);
}

HWND add_edit(HWND panel, int id, int limit, int y) {
    HWND edit = add_control(panel, "EDIT", WS_BORDER | ES_AUTOHSCROLL, id, y);
    SendMessageA(edit, EM_LIMITTEXT, WPARAM(limit), 0);
    return edit;
}

} // namespace

HWND create_stand_in_panel() {
    HWND panel = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 600, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    PanelControls& p = panel_controls;
    p = PanelControls{};
    p.panel = panel;
    p.hidden_field = add_edit(panel, IDC_HIDDEN_FIELD, 77, 0);
    p.country = add_edit(panel, IDC_COUNTRY, 2, 20);
    p.email = add_edit(panel, IDC_EMAIL, 51, 40);
    p.city = add_edit(panel, IDC_CITY, 25, 60);
    p.birth_year = add_edit(panel, IDC_BIRTH_YEAR, 4, 80);
    p.nickname = add_edit(panel, IDC_NICKNAME, 16, 100);
    p.rounds = add_edit(panel, IDC_ROUNDS, 3, 120);
    p.lines_per_round = add_edit(panel, IDC_LINES_PER_ROUND, 4, 140);
    for (int i = 0; i < colour_radio_count; ++i) {
        p.colour_radios[i] = add_control(panel, "BUTTON", BS_AUTORADIOBUTTON | (i ? 0 : WS_GROUP),
                                         colour_radio_id(fewest_colours + i), 160 + 20 * i);
    }
    p.new_button = add_control(panel, "BUTTON", BS_PUSHBUTTON, IDC_NEW, 280);
    p.ball_count_list = add_control(panel, "COMBOBOX", CBS_DROPDOWNLIST, IDC_BALL_COUNT_LIST, 300);
    p.internet_button = add_control(panel, "BUTTON", BS_PUSHBUTTON, IDC_INTERNET, 320);
    p.privacy_switch = add_control(panel, "BUTTON", BS_AUTOCHECKBOX, IDC_PRIVACY_SWITCH, 340);
    for (HWND control : {p.new_button, p.ball_count_list, p.rounds, p.lines_per_round}) {
        EnableWindow(control, FALSE);
    }
    for (HWND radio : p.colour_radios) {
        EnableWindow(radio, FALSE);
    }
    return panel;
}

void destroy_stand_in_panel(HWND panel) {
    DestroyWindow(panel);
    panel_controls = PanelControls{};
}

std::string control_text(HWND panel, int control_id) {
    HWND control = GetDlgItem(panel, control_id);
    std::vector<char> text(size_t(GetWindowTextLengthA(control)) + 1, '\0');
    GetWindowTextA(control, text.data(), int(text.size()));
    return text.data();
}

bool is_checked(HWND panel, int control_id) {
    return SendDlgItemMessageA(panel, control_id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int checked_colour(HWND panel) {
    for (int id = IDC_COLOURS_2; id <= IDC_COLOURS_7; ++id) {
        if (is_checked(panel, id)) {
            return id;
        }
    }
    return 0;
}

void delete_record_key() { RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Trivelle"); }

bool record_key_exists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Trivelle", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void set_raw_record(DWORD type, const std::string& data) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Trivelle", 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       DWORD(data.size()));
        RegCloseKey(key);
    }
}

bool raw_record(std::string& data, DWORD& type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Trivelle", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    bool found = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        data.assign(size, '\0');
        found = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                 &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    RegCloseKey(key);
    return found;
}

HWND start_record_test() {
    delete_record_key();
    store_private_fields = 0;
    reset_game_state();
    return create_stand_in_panel();
}

void end_record_test(HWND panel) {
    destroy_stand_in_panel(panel);
    delete_record_key();
    store_private_fields = 0;
}
