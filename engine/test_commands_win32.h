// The panel's New and Skip commands.
#pragma once

#include <windows.h>

LRESULT on_new(HWND panel, WORD control_id, WORD notification, HWND control);
LRESULT on_skip(HWND panel, WORD control_id, WORD notification, HWND control);
