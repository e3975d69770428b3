// The link banners: the hand cursor over them and their pages opened on a click.
#include "panel/panel_layout.h"
#include "panel/panel_win32.h"
#include "resources/ambient_win32.h"
#include "resources/web_addresses.h"

#include <shellapi.h>

namespace {

// The point as the mouse messages give it, each half read unsigned.
int hot_spot_of(LPARAM lparam) { return hot_spot_at(LOWORD(lparam), HIWORD(lparam)); }

} // namespace

LRESULT on_panel_mouse_move(HWND, UINT, WPARAM, LPARAM lparam) {
    if (hot_spot_of(lparam) >= 0) {
        SetCursor(link_cursor);
    }
    return 0;
}

LRESULT on_panel_button_up(HWND panel, UINT, WPARAM, LPARAM lparam) {
    const int link = hot_spot_of(lparam);
    if (link >= 0) {
        ShellExecuteA(panel, "open", link_pages[link], nullptr, nullptr, SW_SHOW);
    }
    return 0;
}
