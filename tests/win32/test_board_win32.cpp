// A real board window for tests and benchmarks, and reading its pixels back.
#include "tests/win32/test_board_win32.h"

#include "resources/ambient_win32.h"
#include "shell/startup_win32.h"

#include <cstdio>

namespace {

const char parent_class[] = "TrivelleTestBoardParent";
HWND parent;

void register_classes() {
    static bool registered = false;
    if (registered) {
        return;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA parent_wc = {};
    parent_wc.lpfnWndProc = DefWindowProcA;
    parent_wc.hInstance = instance;
    parent_wc.lpszClassName = parent_class;
    RegisterClassA(&parent_wc);
    WNDCLASSA board_wc = {};
    board_wc.style = CS_HREDRAW | CS_VREDRAW;
    board_wc.lpfnWndProc = board_window_proc;
    board_wc.hInstance = instance;
    board_wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    board_wc.lpszClassName = board_class_name;
    RegisterClassA(&board_wc);
    registered = true;
}

} // namespace

void pump_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND open_test_board(int32_t screen_w, int32_t screen_h, float fraction) {
    register_classes();
    module_instance = GetModuleHandleA(nullptr);
    screen_width = screen_w;
    screen_height = screen_h;
    screen_fraction = fraction;
    parent = CreateWindowExA(0, parent_class, "board test", WS_POPUP | WS_VISIBLE, 0, 0, screen_w,
                             screen_h, nullptr, nullptr, module_instance, nullptr);
    board_window = create_board_window(parent);
    UpdateWindow(parent);
    pump_messages();
    return board_window;
}

void close_test_board() {
    DestroyWindow(parent);
    pump_messages();
    parent = nullptr;
    board_window = nullptr;
}

Pixels read_pixels(HDC dc, int32_t left, int32_t top, int32_t width, int32_t height) {
    Pixels p{left, top, width, height, std::vector<uint32_t>(size_t(width) * height)};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, dc, left, top, SRCCOPY);
    GdiFlush();
    const uint32_t* source = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < p.colours.size(); ++i) {
        const uint32_t v = source[i]; // 0x00RRGGBB in a DIB
        p.colours[i] = (v >> 16 & 0xFF) | (v & 0xFF00) | (v & 0xFF) << 16;
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    return p;
}

bool save_test_picture(const Pixels& pixels, const std::string& file_name) {
    // Under Wine the build tree's Unix path lies on drive Z:.
    const std::string tree_path = TRIVELLE_TEST_RESULTS_DIR;
    const std::string folder = tree_path[0] == '/' ? "Z:" + tree_path : tree_path;
    CreateDirectoryA(folder.c_str(), nullptr);
    FILE* file = std::fopen((folder + "/" + file_name).c_str(), "wb");
    if (!file) {
        return false;
    }
    const uint32_t row_bytes = (uint32_t(pixels.width) * 3 + 3) & ~3u;
    const uint32_t image_bytes = row_bytes * uint32_t(pixels.height);
    BITMAPFILEHEADER file_header = {};
    BITMAPINFOHEADER header = {};
    file_header.bfType = 0x4D42;
    file_header.bfOffBits = sizeof file_header + sizeof header;
    file_header.bfSize = file_header.bfOffBits + image_bytes;
    header.biSize = sizeof header;
    header.biWidth = pixels.width;
    header.biHeight = pixels.height; // bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = image_bytes;
    std::fwrite(&file_header, sizeof file_header, 1, file);
    std::fwrite(&header, sizeof header, 1, file);
    std::vector<unsigned char> row(row_bytes);
    for (int32_t y = pixels.height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < pixels.width; ++x) {
            const uint32_t c = pixels.colours[size_t(y) * pixels.width + x];
            row[x * 3] = c >> 16 & 0xFF;
            row[x * 3 + 1] = c >> 8 & 0xFF;
            row[x * 3 + 2] = c & 0xFF;
        }
        std::fwrite(row.data(), 1, row_bytes, file);
    }
    return std::fclose(file) == 0;
}
