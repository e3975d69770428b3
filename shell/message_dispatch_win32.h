// Table-driven message routing: every window procedure looks its message up in a static table.
#pragma once

#include <windows.h>

#include <cstdint>

using MessageHandler = LRESULT (*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
using CommandHandler = LRESULT (*)(HWND window, WORD control_id, WORD notification, HWND control);

// What answers a message that no row of a table names.
enum DefaultProcKind : int32_t {
    default_proc_none = 0,
    default_proc_window = 1,
    default_proc_dialog = 2,
    default_proc_mdi_child = 3,
    default_proc_frame = 4,
};

struct MessageEntry {
    UINT message;
    MessageHandler handler;
};

struct MessageTable {
    int32_t count;
    const MessageEntry* entries;
    DefaultProcKind default_kind;
};

// The id is stored as 32 bits but compared on its low 16 bits only.
struct CommandEntry {
    uint32_t id;
    CommandHandler handler;
};

struct CommandTable {
    int32_t count;
    const CommandEntry* entries;
    DefaultProcKind default_kind;
};

template <size_t n>
constexpr MessageTable make_table(const MessageEntry (&entries)[n], DefaultProcKind kind) {
    return {int32_t(n), entries, kind};
}

template <size_t n>
constexpr CommandTable make_table(const CommandEntry (&entries)[n], DefaultProcKind kind) {
    return {int32_t(n), entries, kind};
}

LRESULT dispatch_message(const MessageTable& table, HWND window, UINT message, WPARAM wparam,
                         LPARAM lparam);
// Splits a WM_COMMAND's wParam into control id and notification code.
LRESULT dispatch_command(const CommandTable& table, HWND window, WPARAM wparam, LPARAM lparam);
LRESULT call_default_proc(int32_t kind, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
