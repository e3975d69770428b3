// What the play rules need from the control panel and the system. The Windows program
// defines these over the real dialog in panel/panel_access_win32.cpp; the platform-free tests
// link a fake panel instead.
#pragma once

#include <cstdint>

enum class BoardCursor { arrow, cross };

// The control's text, at most size - 1 characters and a terminator.
void get_control_text(int id, char* text, int size);
void set_control_text(int id, const char* text);
// True if the control was disabled before.
bool enable_control(int id, bool enabled);
bool is_button_checked(int id);
// The ball-count list's selected index, -1 without a selection.
int list_selection();
void set_board_cursor(BoardCursor cursor);
// Calendar time in whole seconds.
uint32_t current_time();
// The message for a broken free-cell list; placement goes on after it.
void show_consistency_message();
