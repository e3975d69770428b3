// What start-up makes of a stored record: the settings played, the list's selection and the
// colour radios, from records a player could have left behind.
#include "panel/startup_settings.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The radios' ids are the template's numbers written out: "2" is 124, "3" 125, "7" 129.
TEST(StartupSettings, StoredRecordsGiveKnownSettingsListItemAndRadios) {
    struct Case {
        const char* what;
        std::string record;
        int balls, colours;
        int list_index, checked_radio;
        bool two_enabled;
    };
    // A field is read at the separator that ends it; the text after the last one goes to the
    // e-mail edit, so each record here ends its last setting with a separator.
    const Case cases[] = {
        {"no record: the settings before, the default's radio", "", 57, 7, 28, 129, false},
        {"a ball count of 0 is the default's", "0" + sep + "5" + sep + "6 12" + sep, 42, 5, 13, 127,
         false},
        {"a negative ball count likewise", "-3" + sep + "4" + sep, 42, 4, 13, 126, false},
        {"two colours above 32 balls become three", "40" + sep + "2" + sep + "6 12" + sep, 40, 3,
         11, 125, false},
        {"two colours at 32 balls stay", "32" + sep + "2" + sep, 32, 2, 3, 124, true},
        {"no colour count checks the default's radio", "29" + sep, 29, 7, 0, 129, true},
        {"a colour count left unended is not read", "29" + sep + "4", 29, 7, 0, 129, true},
        {"a count outside the list selects none", "60" + sep + "7" + sep, 60, 7, -1, 129, false},
        {"an unknown colour count checks no radio", "33" + sep + "8" + sep, 33, 8, 4, 0, false},
    };
    for (const Case& c : cases) {
        // Settings from before a record is read, all unlike the expected ones.
        const TestSettings before{57, 6, 9, 99};
        const StartupSettings start = startup_settings(c.record, before);
        EXPECT_EQ(start.settings.initial_ball_count, c.balls) << c.what;
        EXPECT_EQ(start.settings.colour_count, c.colours) << c.what;
        EXPECT_EQ(start.list_index, c.list_index) << c.what;
        EXPECT_EQ(start.checked_radio, c.checked_radio) << c.what;
        EXPECT_EQ(start.two_colours_enabled, c.two_enabled) << c.what;
    }
}

} // namespace
