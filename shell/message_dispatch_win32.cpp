// Looks messages and commands up in their tables; unlisted ones go to a default procedure.
#include "shell/message_dispatch_win32.h"

LRESULT dispatch_message(const MessageTable& table, HWND window, UINT message, WPARAM wparam,
                         LPARAM lparam) {
    for (int32_t i = 0; i < table.count; ++i) {
        if (table.entries[i].message == message) {
            return table.entries[i].handler(window, message, wparam, lparam);
        }
    }
    return call_default_proc(table.default_kind, window, message, wparam, lparam);
}

LRESULT dispatch_command(const CommandTable& table, HWND window, WPARAM wparam, LPARAM lparam) {
    const WORD id = LOWORD(wparam);
    const WORD notification = HIWORD(wparam);
    for (int32_t i = 0; i < table.count; ++i) {
        if (LOWORD(table.entries[i].id) == id) {
            return table.entries[i].handler(window, id, notification,
                                            reinterpret_cast<HWND>(lparam));
        }
    }
    return call_default_proc(table.default_kind, window, WM_COMMAND, wparam, lparam);
}

LRESULT call_default_proc(int32_t kind, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (kind) {
    case default_proc_window:
        return DefWindowProcA(window, message, wparam, lparam);
    case default_proc_dialog:
        return DefDlgProcA(window, message, wparam, lparam);
    case default_proc_mdi_child:
        return DefMDIChildProcA(window, message, wparam, lparam);
    case default_proc_frame:
        return DefFrameProcA(window, nullptr, message, wparam, lparam);
    default:
        return 0;
    }
}
