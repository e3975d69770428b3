// The settings record and the panel: its fields put into the controls at start, the controls
// stored by Internet, and the result link opened.
#pragma once

#include <windows.h>

#include <string>

// The complete record, private fields included, as the last store_settings_record built it.
extern std::string record_buffer;

void load_settings_record(HWND panel);
void store_settings_record(HWND panel);

LRESULT submit_result(HWND panel, WORD control_id, WORD notification, HWND control);
