// A small panel of real controls with the real ids, standing in for the built control panel.
#pragma once

#include <windows.h>

#include <string>

// Creates a hidden window with the edits (text limits as the panel sets them), the colour
// radios, New, the ball-count list, Internet and the privacy switch, all children with their
// real ids, and points panel_controls at them. The settings controls start disabled, as they
// are when a test is over.
HWND create_stand_in_panel();
void destroy_stand_in_panel(HWND panel);

// The start of every record test: no stored record, the privacy switch off, the engine at its
// start state and a fresh stand-in panel. The end removes the panel and the record again.
HWND start_record_test();
void end_record_test(HWND panel);

std::string control_text(HWND panel, int control_id);
bool is_checked(HWND panel, int control_id);
// The id of the checked colour radio, 0 if none is.
int checked_colour(HWND panel);

// The stored record's raw value: HKEY_CURRENT_USER\Software\Trivelle, default value.
void delete_record_key();
bool record_key_exists();
void set_raw_record(DWORD type, const std::string& data);
// The value's exact data bytes and its type; false if there is no value.
bool raw_record(std::string& data, DWORD& type);
