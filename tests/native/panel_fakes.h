// A fake control panel for the play rules: texts, enabled states, checks, the list
// selection, the board cursor and the clock, all plain data a test sets and reads.
#pragma once

#include "engine/panel_access.h"

#include <map>
#include <string>

struct FakeControl {
    std::string text;
    bool enabled = false;
    bool checked = false;
};

struct FakePanel {
    std::map<int, FakeControl> controls;
    int list_selection = 13; // "42"
    BoardCursor cursor = BoardCursor::arrow;
    int cursor_changes = 0;
    uint32_t time = 0;
};

extern FakePanel fake_panel;

// The panel after start-up: template texts, radio "7" checked, settings enabled.
void reset_fake_panel();
FakeControl& control(int id);
