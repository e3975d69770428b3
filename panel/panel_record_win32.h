// The settings record and the panel: its fields put into the controls at start, the controls
// stored by Internet, and the result link opened.
#pragma once

#include <windows.h>

#include <string>

// The complete record, private fields included, as the last store_settings_record built it.
extern std::string record_buffer;

// Start-up: the stored record read, and the settings and the panel's controls written as the
// start-up rules (panel/startup_settings.h) make them of it. The ball-count list must be filled.
void load_settings_record(HWND panel);
// Internet: the controls' record built and stored.
void store_settings_record(HWND panel);

LRESULT submit_result(HWND panel, WORD control_id, WORD notification, HWND control);
