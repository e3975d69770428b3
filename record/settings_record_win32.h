// The settings record in the registry: read into the panel at start, stored by Internet.
#pragma once

#include <windows.h>

void load_settings_record(HWND panel);
void store_settings_record(HWND panel);
