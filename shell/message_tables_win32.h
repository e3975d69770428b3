// The four static routing tables.
#pragma once

#include "shell/message_dispatch_win32.h"

extern const MessageTable main_window_messages;
extern const MessageTable board_window_messages;
extern const MessageTable panel_messages;
extern const CommandTable panel_commands;

// The panel's WM_COMMAND: the panel's rules, then the command table.
LRESULT on_panel_command(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);
