// The browser's panel: the controls' texts, enabled states, checks and list selection as the
// start, the player's choices and the referee's answers set them, and the page told each.
#include "resources/control_ids.h"
#include "tests/support/page_stand_in.h"
#include "web/module_exports.h"
#include "web/web_panel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const int every_control[] = {IDC_NEW,           IDC_SKIP,
                             IDC_INTERNET,      IDC_HIDDEN_FIELD,
                             IDC_COUNTRY,       IDC_EMAIL,
                             IDC_CITY,          IDC_BIRTH_YEAR,
                             IDC_NICKNAME,      IDC_BALL_COUNT_LIST,
                             IDC_ROUNDS,        IDC_LINES_PER_ROUND,
                             IDC_COLOURS_2,     IDC_COLOURS_3,
                             IDC_COLOURS_4,     IDC_COLOURS_5,
                             IDC_COLOURS_6,     IDC_COLOURS_7,
                             IDC_LINES_DISPLAY, IDC_ACCURACY_DISPLAY};

// The page shows what the module holds, control by control.
void expect_page_mirrors_module() {
    for (int id : every_control) {
        const WebControl& held = web_control(id);
        const WebControl& shown = page_mirror.controls[id];
        EXPECT_EQ(shown.text, held.text) << id;
        EXPECT_EQ(shown.enabled, held.enabled) << id;
        EXPECT_EQ(shown.checked, held.checked) << id;
    }
    EXPECT_EQ(page_mirror.list_selection, web_list_selection());
}

void expect_enabled(std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) {
        EXPECT_EQ(page_mirror.controls[id].enabled, enabled) << id;
    }
}

int checked_radio() {
    int checked = 0;
    for (int id = IDC_COLOURS_2; id <= IDC_COLOURS_7; ++id) {
        if (page_mirror.controls[id].checked) {
            EXPECT_EQ(checked, 0) << "two radios checked";
            checked = id;
        }
    }
    return checked;
}

// As the page hands a text over: through the module's buffer.
int set_text(int id, const std::string& text) {
    std::memcpy(trivelle_text_buffer(), text.data(), text.size());
    return trivelle_set_text(id, int(text.size()));
}

const std::initializer_list<int> settings_controls = {
    IDC_BALL_COUNT_LIST, IDC_ROUNDS,    IDC_LINES_PER_ROUND, IDC_COLOURS_3,
    IDC_COLOURS_4,       IDC_COLOURS_5, IDC_COLOURS_6,       IDC_COLOURS_7};
const std::initializer_list<int> result_controls = {
    IDC_INTERNET, IDC_HIDDEN_FIELD, IDC_COUNTRY, IDC_EMAIL, IDC_CITY, IDC_BIRTH_YEAR, IDC_NICKNAME};

class WebPanel : public testing::Test {
  protected:
    void SetUp() override {
        reset_page_mirror();
        ASSERT_EQ(trivelle_start(700, 530), 1);
    }
};

TEST_F(WebPanel, StartShowsTheDefaultSettingsWithNewAndTheSettingsEnabled) {
    EXPECT_EQ(page_mirror.list_selection, 13); // 42 balls
    EXPECT_EQ(page_mirror.controls[IDC_ROUNDS].text, "6");
    EXPECT_EQ(page_mirror.controls[IDC_LINES_PER_ROUND].text, "12");
    EXPECT_EQ(checked_radio(), IDC_COLOURS_7);
    expect_enabled({IDC_NEW}, true);
    expect_enabled(settings_controls, true);
    expect_enabled({IDC_COLOURS_2}, false); // 42 balls allow no fewer than three colours
    expect_enabled(result_controls, false);
    expect_page_mirrors_module();
}

TEST_F(WebPanel, RadioTwoFollowsTheConfirmedBallCountAndItsCheckMovesToThree) {
    struct Step {
        int confirm;       // a ball count confirmed in the list, or 0
        int check;         // a colour radio clicked, or 0
        int accepted;      // what the module answers
        bool two_enabled;  // radio "2" afterwards
        int checked_radio; // afterwards
    };
    const Step steps[] = {
        {30, 0, 1, true, IDC_COLOURS_7},  {0, 2, 1, true, IDC_COLOURS_2},
        {33, 0, 1, false, IDC_COLOURS_3}, // the check moves from "2" to "3"
        {32, 0, 1, true, IDC_COLOURS_3},  // "2" comes back unchecked
        {0, 5, 1, true, IDC_COLOURS_5},   {40, 0, 1, false, IDC_COLOURS_5}, // another check stays
        {0, 2, 0, false, IDC_COLOURS_5},  // a disabled radio cannot be checked
        {28, 0, 0, false, IDC_COLOURS_5}, // counts the list lacks
        {60, 0, 0, false, IDC_COLOURS_5}, {0, 8, 0, false, IDC_COLOURS_5},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.confirm << " " << s.check);
        const int accepted = s.confirm != 0 ? trivelle_choose_ball_count(s.confirm)
                                            : trivelle_choose_colours(s.check);
        EXPECT_EQ(accepted, s.accepted);
        EXPECT_EQ(page_mirror.controls[IDC_COLOURS_2].enabled, s.two_enabled);
        EXPECT_EQ(checked_radio(), s.checked_radio);
    }
    EXPECT_EQ(page_mirror.list_selection, 40 - 29);
    expect_page_mirrors_module();
}

TEST_F(WebPanel, NewReadsTheTypedCountsAsTheProgramAndRewritesThoseThatGiveNone) {
    struct Typed {
        const char* rounds;
        const char* lines;
        int round_count, lines_per_round;
        const char* rounds_shown;
        const char* lines_shown;
    };
    const Typed cases[] = {
        {"3", "10", 3, 10, "3", "10"},
        {"007", "0012", 7, 12, "007", "0012"},
        {"", "", 6, 12, "6", "12"},
        {"0", "0000", 6, 12, "6", "12"},
        {"1a", "-3", 6, 12, "6", "12"},
        {"1000", "99999", 100, 9999, "1000", "99999"}, // three and four characters are read
        {"\xE0", "12 ", 6, 12, "6", "12"},             // a Cyrillic letter, a space
    };
    for (const Typed& t : cases) {
        SCOPED_TRACE(t.rounds);
        ASSERT_EQ(set_text(IDC_ROUNDS, t.rounds), 1);
        ASSERT_EQ(set_text(IDC_LINES_PER_ROUND, t.lines), 1);
        ASSERT_EQ(trivelle_read_settings(), 1);
        EXPECT_EQ(trivelle_setting(2), t.round_count);
        EXPECT_EQ(trivelle_setting(3), t.lines_per_round);
        EXPECT_EQ(page_mirror.controls[IDC_ROUNDS].text, t.rounds_shown);
        EXPECT_EQ(page_mirror.controls[IDC_LINES_PER_ROUND].text, t.lines_shown);
    }
    EXPECT_EQ(trivelle_setting(0), 42);
    EXPECT_EQ(trivelle_setting(1), 7);
    ASSERT_EQ(trivelle_choose_ball_count(31), 1);
    ASSERT_EQ(trivelle_choose_colours(2), 1);
    ASSERT_EQ(trivelle_read_settings(), 1);
    EXPECT_EQ(trivelle_setting(0), 31);
    EXPECT_EQ(trivelle_setting(1), 2);
    EXPECT_EQ(trivelle_setting(4), 0);
}

TEST_F(WebPanel, AnAnswersTextsAndStatesReachThePageAndTheResultBringsNewBack) {
    // The start answer: the running phase, the score.
    for (int id : every_control) {
        ASSERT_EQ(trivelle_set_enabled(id, id == IDC_SKIP), 1) << id;
    }
    ASSERT_EQ(set_text(IDC_LINES_DISPLAY, "0*1000/0"), 1);
    ASSERT_EQ(set_text(IDC_ACCURACY_DISPLAY, "0.0"), 1);
    EXPECT_EQ(page_mirror.controls[IDC_LINES_DISPLAY].text, "0*1000/0");
    EXPECT_EQ(page_mirror.controls[IDC_ACCURACY_DISPLAY].text, "0.0");
    EXPECT_EQ(trivelle_read_settings(), 0); // New is disabled
    EXPECT_EQ(trivelle_choose_ball_count(30), 0);
    EXPECT_EQ(trivelle_choose_colours(3), 0);
    EXPECT_EQ(trivelle_result_sent(), 0);

    // Nothing for a control the panel lacks, or a text longer than the buffer.
    const int calls = page_mirror.calls;
    EXPECT_EQ(trivelle_set_enabled(IDC_INFO, 1), 0);
    EXPECT_EQ(set_text(IDC_PRIVACY_SWITCH, "x"), 0);
    EXPECT_EQ(trivelle_set_text(IDC_LINES_DISPLAY, trivelle_text_buffer_bytes() + 1), 0);
    EXPECT_EQ(trivelle_set_text(IDC_LINES_DISPLAY, -1), 0);
    EXPECT_EQ(page_mirror.calls, calls);

    // The last line: the test is over and the result can be sent.
    ASSERT_EQ(set_text(IDC_ACCURACY_DISPLAY, "   333.333"), 1);
    for (int id : result_controls) {
        trivelle_set_enabled(id, 1);
    }
    trivelle_set_enabled(IDC_SKIP, 0);
    EXPECT_EQ(page_mirror.controls[IDC_ACCURACY_DISPLAY].text, "   333.333");
    EXPECT_EQ(trivelle_result_sent(), 1);
    expect_enabled({IDC_NEW}, true);
    expect_enabled(settings_controls, true);
    expect_enabled({IDC_COLOURS_2}, false); // still 42 balls
    expect_enabled(result_controls, true);
    expect_page_mirrors_module();
    EXPECT_EQ(trivelle_read_settings(), 1);
}

} // namespace
