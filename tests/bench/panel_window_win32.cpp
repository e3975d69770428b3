// The second reference for start-up: what the program must create and nothing more, a
// maximized main window, the board window under it, the panel from its placed template and
// the three tooltips, each made by the program's own code.
#include "panel/panel_placement.h"
#include "panel/panel_win32.h"
#include "render/geometry.h"
#include "render/screen_layout.h"
#include "resources/ambient_win32.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

#include <windows.h>

#include <vector>

namespace {

HWND reference_board;

// The template as the program places it for this screen; nothing when it cannot be had.
std::vector<uint8_t> placed_panel_template() {
    const HRSRC found = FindResourceA(module_instance, MAKEINTRESOURCEA(IDD_PANEL), RT_DIALOG);
    const HGLOBAL loaded = found ? LoadResource(module_instance, found) : nullptr;
    const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes) {
        return {};
    }
    std::vector<uint8_t> copy(bytes, bytes + SizeofResource(module_instance, found));
    const LONG units = GetDialogBaseUnits();
    fill_control_layout();
    if (place_panel_template(copy.data(), copy.size(), {LOWORD(units), HIWORD(units)}, geometry) <
        0) {
        return {};
    }
    return copy;
}

// Leaves everything to the dialog manager: no fonts, no settings, no list.
INT_PTR CALLBACK plain_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

LRESULT CALLBACK board_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        std::vector<uint8_t> copy = placed_panel_template();
        HWND panel = copy.empty()
                         ? nullptr
                         : CreateDialogIndirectParamA(
                               module_instance, reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()),
                               window, plain_dialog_proc, 0);
        // The three controls that carry a tooltip.
        panel_controls.ball_count_list = GetDlgItem(panel, IDC_BALL_COUNT_LIST);
        panel_controls.privacy_switch = GetDlgItem(panel, IDC_PRIVACY_SWITCH);
        panel_controls.internet_button = GetDlgItem(panel, IDC_INTERNET);
        create_panel_tooltips(window);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK main_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        reference_board =
            CreateWindowExA(0, "ReferenceBoard", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                            0, 0, screen_width, screen_height, window, reinterpret_cast<HMENU>(-1),
                            module_instance, nullptr);
        return 0;
    case WM_SIZE: {
        RECT client;
        GetClientRect(window, &client);
        MoveWindow(reference_board, 0, 0, client.right, client.bottom, TRUE);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    module_instance = instance;
    screen_width = GetSystemMetrics(SM_CXSCREEN);
    screen_height = GetSystemMetrics(SM_CYSCREEN);
    float fraction = sound_screen_fraction(screen_width, screen_height, 1.0f);
    geometry = layout_for_screen(screen_width, screen_height, fraction);

    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = main_proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "ReferenceMain";
    RegisterClassA(&wc);
    wc.lpfnWndProc = board_proc;
    wc.lpszClassName = "ReferenceBoard";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "ReferenceMain", "Reference", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                  300, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
