// The three tooltips of the panel: ball-count list, privacy switch and Internet button.
#include "panel/panel_win32.h"
#include "resources/ambient_win32.h"

#include <commctrl.h>

#include <cstddef>

// The layout every common-controls version knows (TTTOOLINFOA_V2_SIZE): with lParam, without
// the reserved field; 44 bytes where pointers are 32 bits wide.
static_assert(offsetof(TOOLINFOA, lpReserved) == offsetof(TOOLINFOA, lParam) + sizeof(LPARAM));
static_assert(sizeof(void*) != 4 || offsetof(TOOLINFOA, lpReserved) == 44);

namespace {

void add_tooltip(HWND board, HWND control, const char* text) {
    HWND tip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, board, nullptr, module_instance, nullptr);
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = control;
    info.uId = 0;
    GetClientRect(control, &info.rect);
    info.hinst = module_instance;
    info.lpszText = const_cast<char*>(text);
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

} // namespace

void create_panel_tooltips(HWND board) {
    InitCommonControls();
    add_tooltip(board, panel_controls.ball_count_list, "Начальное количество шаров");
    add_tooltip(board, panel_controls.privacy_switch,
                "Сохранить e-mail, год рожд. в реестре этого компьютера");
    add_tooltip(board, panel_controls.internet_button, "Поля отмеченные * не публикуются");
}
