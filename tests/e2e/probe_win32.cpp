// Reports on the running Trivelle from inside its Wine prefix, for the end-to-end tests:
//   probe board            screen position and size of the board window's client area
//   probe control ID       enabled, visible and checked state and the text of a panel control
//   probe rect ID          screen position and size of a panel control
//   probe chars ID HEX     sends the code page bytes to a panel control as typed characters
//   probe idle             waits until the program has handled all its input
//   probe list             the ball-count list's selection and item count
//   probe set-record HEX   stores the settings record (REG_SZ, the bytes given plus a zero)
//   probe get-record       the stored settings record's data bytes in hexadecimal
// Prints one line and exits 0, or exits 1 when the window is not there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND find_board() {
    HWND main_window = FindWindowA("Trivelle", nullptr);
    return main_window ? FindWindowExA(main_window, nullptr, "ClientWndClass", nullptr) : nullptr;
}

HWND find_panel() {
    HWND board = find_board();
    return board ? FindWindowExA(board, nullptr, MAKEINTATOM(32770), nullptr) : nullptr;
}

int hex_digit(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

int report_board() {
    HWND board = find_board();
    if (!board || !IsWindowVisible(GetParent(board))) {
        return 1;
    }
    RECT client;
    GetClientRect(board, &client);
    POINT origin = {0, 0};
    ClientToScreen(board, &origin);
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    return 0;
}

int report_control(int id) {
    HWND control = GetDlgItem(find_panel(), id);
    if (!control) {
        return 1;
    }
    char text[256] = "";
    // WM_GETTEXT, not GetWindowText, which cannot read an edit of another process.
    SendMessageA(control, WM_GETTEXT, sizeof text, LPARAM(text));
    const LRESULT checked = SendMessageA(control, BM_GETCHECK, 0, 0);
    std::printf("%d %d %d|%s\n", IsWindowEnabled(control) ? 1 : 0, IsWindowVisible(control) ? 1 : 0,
                checked == BST_CHECKED ? 1 : 0, text);
    return 0;
}

// Characters the X keyboard cannot produce (Cyrillic on a Latin layout) arrive as the
// same WM_CHAR messages a keyboard would send, one per code page byte.
int send_chars(int id, const char* hex) {
    HWND control = GetDlgItem(find_panel(), id);
    if (!control) {
        return 1;
    }
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        const int byte = hex_digit(hex[i]) * 16 + hex_digit(hex[i + 1]);
        SendMessageA(control, WM_CHAR, WPARAM(byte), 1);
    }
    return 0;
}

int wait_until_idle() {
    HWND main_window = FindWindowA("Trivelle", nullptr);
    DWORD process_id = 0;
    GetWindowThreadProcessId(main_window, &process_id);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, process_id);
    if (!process) {
        return 1;
    }
    const DWORD result = WaitForInputIdle(process, 10000);
    CloseHandle(process);
    return result == 0 ? 0 : 1;
}

int report_rect(int id) {
    HWND control = GetDlgItem(find_panel(), id);
    RECT r;
    if (!control || !GetWindowRect(control, &r)) {
        return 1;
    }
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

int report_list() {
    HWND list = GetDlgItem(find_panel(), 104);
    if (!list) {
        return 1;
    }
    std::printf("%ld %ld\n", long(SendMessageA(list, CB_GETCURSEL, 0, 0)),
                long(SendMessageA(list, CB_GETCOUNT, 0, 0)));
    return 0;
}

int set_record(const char* hex) {
    std::string bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        bytes += char(hex_digit(hex[i]) * 16 + hex_digit(hex[i + 1]));
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Trivelle", 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return 1;
    }
    const LONG status =
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                       DWORD(bytes.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 1;
}

int get_record() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Trivelle", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return 1;
    }
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size);
    std::string data(size, '\0');
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExA(key, nullptr, nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return 1;
    }
    for (unsigned char b : data.substr(0, size)) {
        std::printf("%02x", b);
    }
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "board") == 0) {
        return report_board();
    }
    if (argc >= 3 && std::strcmp(argv[1], "control") == 0) {
        return report_control(std::atoi(argv[2]));
    }
    if (argc >= 4 && std::strcmp(argv[1], "chars") == 0) {
        return send_chars(std::atoi(argv[2]), argv[3]);
    }
    if (argc >= 2 && std::strcmp(argv[1], "idle") == 0) {
        return wait_until_idle();
    }
    if (argc >= 3 && std::strcmp(argv[1], "rect") == 0) {
        return report_rect(std::atoi(argv[2]));
    }
    if (argc >= 2 && std::strcmp(argv[1], "list") == 0) {
        return report_list();
    }
    if (argc >= 3 && std::strcmp(argv[1], "set-record") == 0) {
        return set_record(argv[2]);
    }
    if (argc >= 2 && std::strcmp(argv[1], "get-record") == 0) {
        return get_record();
    }
    std::fprintf(stderr, "usage: probe board | control ID | rect ID | chars ID HEX | idle | list | "
                         "set-record HEX | get-record\n");
    return 2;
}
