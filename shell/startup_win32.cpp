// Registers the window classes, creates the main window and shows it maximized.
#include "shell/startup_win32.h"

#include "engine/panel_phases.h"
#include "resources/ambient_win32.h"
#include "resources/resource_ids.h"
#include "shell/screen_fit.h"

HINSTANCE module_instance;
char class_name[40];
char window_title[40];
float screen_fraction = 1.0f;
int32_t screen_width;
int32_t screen_height;
HWND main_window;
HWND board_window;
HCURSOR arrow_cursor;
HCURSOR cross_cursor;
HCURSOR link_cursor;

namespace {

bool register_classes(HINSTANCE instance) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TRIVELLE));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = class_name;
    wc.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_TRIVELLE), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));

    cross_cursor = LoadCursorA(nullptr, IDC_CROSS);
    arrow_cursor = LoadCursorA(nullptr, IDC_ARROW);

    if (!RegisterClassExA(&wc)) {
        const WNDCLASSA plain = {wc.style,     wc.lpfnWndProc,  0,       0,
                                 wc.hInstance, wc.hIcon,        nullptr, wc.hbrBackground,
                                 nullptr,      wc.lpszClassName};
        if (!RegisterClassA(&plain)) {
            return false;
        }
    }

    const WNDCLASSA board = {wc.style,     board_window_proc, 0,       0,
                             wc.hInstance, nullptr,           nullptr, wc.hbrBackground,
                             nullptr,      board_class_name};
    return RegisterClassA(&board) != 0;
}

// The client area the main window gets when maximized on this machine: the work area (the
// screen less the taskbar and other desktop bars) less the caption; the frame's borders
// lie outside the work area then, as Windows places a maximized window.
Extent maximized_client_extent() {
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    // frame.top is minus the caption and a border, frame.bottom one border.
    const int32_t caption = -frame.top - frame.bottom;
    return {work.right - work.left, work.bottom - work.top - caption};
}

} // namespace

int init_instance(HINSTANCE instance, const char* argument_text) {
    LoadStringA(instance, IDS_CLASS_NAME, class_name, sizeof class_name);
    LoadStringA(instance, IDS_WINDOW_TITLE, window_title, sizeof window_title);
    module_instance = instance;

    if (!register_classes(instance)) {
        return 0;
    }

    screen_width = GetSystemMetrics(SM_CXSCREEN);
    screen_height = GetSystemMetrics(SM_CYSCREEN);
    screen_fraction =
        starting_fraction(argument_text, {screen_width, screen_height}, maximized_client_extent());

    main_window = CreateWindowExA(0, class_name, window_title, WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                  nullptr, nullptr, instance, nullptr);
    if (!main_window) {
        return 0;
    }

    link_cursor = static_cast<HCURSOR>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDC_LINK), IMAGE_CURSOR, 24, 24, LR_DEFAULTCOLOR));
    // The settings can be changed once the window stands; radio "2" as the ball-count rule
    // allows. Enabled before the window is shown, so that their first paint is already the
    // enabled one: the panel appears in half the screen updates.
    enter_panel_phase(PanelPhase::start);
    ShowWindow(main_window, SW_SHOWMAXIMIZED);
    return 1;
}

int run_message_loop() {
    MSG msg = {};
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return got == 0 ? int(msg.wParam) : 0;
}

HWND create_board_window(HWND parent) {
    return CreateWindowExA(0, board_class_name, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
                           0, screen_width, screen_height, parent, reinterpret_cast<HMENU>(-1),
                           module_instance, nullptr);
}
