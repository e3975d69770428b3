// A real control panel built in this process under a stand-in board window.
#include "tests/win32/panel_on_screen_win32.h"

#include "engine/game_state.h"
#include "panel/panel_win32.h"
#include "resources/ambient_win32.h"
#include "resources/resource_ids.h"

const ScreenLayout screen_1024 = {"1024x768", 1024, 768, 72, 186, 67};
const ScreenLayout screen_1280 = {"1280x1024", 1280, 1024, 90, 232, 123};
const ScreenLayout screen_1024_at_08 = {"1024x768 at 0.8", 820, 615, 58, 251, 123};
// Board 1920 - 2 * 61 wide; 1798 / 1920 of 1080 rows; cells of 2 * 62 + 2; grid left
// 327 + 61; grid top (1080 - 55 - 8 * 126) / 2 - 1.
const ScreenLayout screen_1920_fitted = {"1920x1080 at 0.936", 1798, 1011, 126, 388, 7};

namespace {

const char board_stand_in_class[] = "PanelTestBoard";

void register_board_stand_in() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = board_stand_in_class;
    RegisterClassA(&wc);
    registered = true;
}

} // namespace

HWND build_test_panel(const ScreenLayout& screen, const char* stored_record) {
    register_board_stand_in();
    module_instance = GetModuleHandleA(nullptr);
    link_cursor = static_cast<HCURSOR>(LoadImageA(module_instance, MAKEINTRESOURCEA(IDC_LINK),
                                                  IMAGE_CURSOR, 24, 24, LR_DEFAULTCOLOR));
    geometry = {};
    geometry.board_width = screen.board_width;
    geometry.board_height = screen.board_height;
    geometry.cell_size = screen.cell_size;
    geometry.grid_left = screen.grid_left;
    geometry.grid_top = screen.grid_top;
    reset_game_state();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Trivelle");
    if (stored_record) {
        RegSetValueA(HKEY_CURRENT_USER, "Software\\Trivelle", REG_SZ, stored_record,
                     DWORD(lstrlenA(stored_record)));
    }

    HWND board = CreateWindowExA(0, board_stand_in_class, "board", WS_POPUP | WS_VISIBLE, 0, 0,
                                 screen.board_width, screen.board_height, nullptr, nullptr,
                                 module_instance, nullptr);
    main_window = board;
    board_window = board;
    build_control_panel(IDD_PANEL, board);
    create_panel_tooltips(board);
    return board;
}

void destroy_test_panel(HWND board) {
    DestroyWindow(board);
    panel_controls = {};
    main_window = nullptr;
    board_window = nullptr;
}
