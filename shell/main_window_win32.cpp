// The main window holds the board window and keeps it on its client area.
#include "shell/main_window_win32.h"

#include "panel/panel_win32.h"
#include "resources/ambient_win32.h"
#include "shell/startup_win32.h"

LRESULT on_main_create(HWND window, UINT, WPARAM, LPARAM) {
    board_window = create_board_window(window);
    return board_window ? 0 : -1;
}

LRESULT on_main_destroy(HWND, UINT, WPARAM, LPARAM) {
    PostQuitMessage(0);
    return 0;
}

LRESULT on_main_size(HWND window, UINT, WPARAM wparam, LPARAM) {
    // A minimized window has no client area worth fitting; the board stays where it was.
    if (wparam != SIZE_MINIMIZED) {
        RECT client;
        GetClientRect(window, &client);
        // Repainted: nothing else invalidates the part of the board that a larger window
        // uncovers, and it would stay as the main window's background left it.
        MoveWindow(board_window, client.left, client.top, client.right - client.left,
                   client.bottom - client.top, TRUE);
    }
    // A closed panel leaves no handle, and InvalidateRect would take that for every window.
    if (panel_controls.panel) {
        InvalidateRect(panel_controls.panel, nullptr, TRUE);
    }
    return 0;
}
