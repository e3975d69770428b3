// What start-up makes of the stored record: the settings, and what the panel shows of them.
#pragma once

#include "engine/test_settings.h"

#include <string>
#include <string_view>
#include <vector>

struct ControlText {
    int control_id;
    std::string text;
};

struct StartupSettings {
    TestSettings settings;
    int checked_radio;              // the colour radio to check, 0 for none
    bool two_colours_enabled;       // radio "2"
    int list_index;                 // the ball-count list's selection, -1 for none
    std::vector<ControlText> texts; // in the order the record gives them
};

// The start-up rules over a stored record (empty for none): a ball count of 0 or less becomes
// the default, a record without a colour count checks the default's radio, two colours become
// three where the ball count does not allow them, and a count outside the list leaves it
// without a selection. before holds the settings before the record is read: a field the record
// lacks keeps its value from there, but for the colour count, which start-up clears, and the
// round count, which the record's reader clears.
StartupSettings startup_settings(std::string_view stored_record, const TestSettings& before);
