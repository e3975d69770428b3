// The fake of engine/panel_access.h: texts, enabled states, checks, the list selection, the
// board cursor, the clock and the consistency messages, all plain data a test sets and reads.
#pragma once

#include "engine/panel_access.h"

#include <functional>
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
    // Called on every cursor change, for tests that check when it comes.
    std::function<void()> on_cursor_change;
    int consistency_messages = 0;
    uint32_t time = 0;
};

extern FakePanel fake_panel;

// The panel after start-up: template texts, radio "7" checked, settings enabled.
void reset_fake_panel();
FakeControl& control(int id);
