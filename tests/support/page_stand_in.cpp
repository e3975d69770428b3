// The native stand-in for the page's imported functions.
#include "tests/support/page_stand_in.h"

#include "web/page_calls.h"

PageMirror page_mirror;

void reset_page_mirror() { page_mirror = PageMirror{}; }

void page_control_text_changed(int id, const char* text, int length) {
    page_mirror.controls[id].text.assign(text, size_t(length));
    ++page_mirror.calls;
}

void page_control_enabled_changed(int id, int enabled) {
    page_mirror.controls[id].enabled = enabled != 0;
    ++page_mirror.calls;
}

void page_control_checked_changed(int id, int checked) {
    page_mirror.controls[id].checked = checked != 0;
    ++page_mirror.calls;
}

void page_list_selection_changed(int index) {
    page_mirror.list_selection = index;
    ++page_mirror.calls;
}
