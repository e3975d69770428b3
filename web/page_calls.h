// What the module tells the page, so that its controls mirror the module's.
#pragma once

#include "web/page_link.h"

extern "C" {

// A control's new text: length bytes at text, code page 1251, not terminated.
PAGE_IMPORT("control_text_changed")
void page_control_text_changed(int id, const char* text, int length);
PAGE_IMPORT("control_enabled_changed")
void page_control_enabled_changed(int id, int enabled);
PAGE_IMPORT("control_checked_changed")
void page_control_checked_changed(int id, int checked);
// The ball-count list's selected index, -1 for none.
PAGE_IMPORT("list_selection_changed")
void page_list_selection_changed(int index);
}
