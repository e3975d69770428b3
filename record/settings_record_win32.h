// The settings record in the registry: read into the panel at start, stored by Internet.
#pragma once

#include <windows.h>

#include <string>

// The complete record, private fields included, as the last store_settings_record built it.
extern std::string record_buffer;

void load_settings_record(HWND panel);
void store_settings_record(HWND panel);
