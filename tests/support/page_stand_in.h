// The page's side of web/page_calls.h for native tests: it mirrors every control the module
// reports, as the real page does, and keeps the calls in order.
#pragma once

#include "web/web_panel.h"

#include <map>
#include <string>

struct PageMirror {
    std::map<int, WebControl> controls;
    int list_selection = -2; // never reported
    int calls = 0;
};

extern PageMirror page_mirror;

void reset_page_mirror();
