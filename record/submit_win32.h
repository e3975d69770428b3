// The Internet button and the privacy switch.
#pragma once

#include <windows.h>

// 1 while the private fields go into the stored record; 0 at every start.
extern int store_private_fields;

LRESULT submit_result(HWND panel, WORD control_id, WORD notification, HWND control);
// A click on the privacy switch: on, or off and the stored record loses its private fields.
void toggle_privacy_switch();
void withhold_private_fields();
