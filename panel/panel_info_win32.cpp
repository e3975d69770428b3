// The "i" button's information box and the closing of the panel.
#include "panel/panel_win32.h"
#include "resources/ambient_win32.h"

LRESULT on_info(HWND, WORD, WORD, HWND) {
    MessageBoxA(main_window,
                "\nЭта программа предназначена для домашнего, некоммерческого использования. "
                "Автор не несет ответственности за любые последствия её применения. \n\n"
                "© 2026 Trivelle",
                "", MB_OK | MB_ICONINFORMATION);
    return 1;
}

LRESULT on_panel_cancel(HWND panel, WORD, WORD, HWND) {
    DestroyWindow(panel);
    // The panel is never rebuilt; forgetting its handles keeps later calls from reaching
    // whatever window might one day reuse them.
    panel_controls = {};
    return 1;
}
