// The browser's panel: the controls' texts, enabled states, checks and list selection as the
// engine sets them through a short test, and the page told each change.
#include "engine/game_state.h"
#include "render/geometry.h"
#include "resources/control_ids.h"
#include "tests/support/page_stand_in.h"
#include "web/module_exports.h"
#include "web/web_panel.h"

#include <gtest/gtest.h>

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

const std::initializer_list<int> settings_controls = {
    IDC_BALL_COUNT_LIST, IDC_ROUNDS,    IDC_LINES_PER_ROUND, IDC_COLOURS_3,
    IDC_COLOURS_4,       IDC_COLOURS_5, IDC_COLOURS_6,       IDC_COLOURS_7};
const std::initializer_list<int> result_controls = {
    IDC_INTERNET, IDC_HIDDEN_FIELD, IDC_COUNTRY, IDC_EMAIL, IDC_CITY, IDC_BIRTH_YEAR, IDC_NICKNAME};

class WebPanel : public testing::Test {
  protected:
    void SetUp() override {
        reset_page_mirror();
        ASSERT_EQ(trivelle_start(800, 600), 1);
    }
};

TEST_F(WebPanel, StartShowsTheDefaultSettingsWithNewAndTheSettingsEnabled) {
    EXPECT_EQ(page_mirror.list_selection, 13); // 42 balls
    EXPECT_EQ(page_mirror.controls[IDC_ROUNDS].text, "6");
    EXPECT_EQ(page_mirror.controls[IDC_LINES_PER_ROUND].text, "12");
    for (int id = IDC_COLOURS_2; id <= IDC_COLOURS_7; ++id) {
        EXPECT_EQ(page_mirror.controls[id].checked, id == IDC_COLOURS_7) << id;
    }
    expect_enabled({IDC_NEW}, true);
    expect_enabled(settings_controls, true);
    expect_enabled({IDC_COLOURS_2}, false); // 42 balls allow no fewer than three colours
    expect_enabled(result_controls, false);
    expect_page_mirrors_module();
}

struct Choice {
    int balls, colours, rounds, lines;
    int list_index;
    int checked_radio;
    const char* rounds_text; // after New has read it
    TestSettings played;
};

TEST_F(WebPanel, NewTypesTheSettingsIntoThePanelAndPlaysWhatThePanelMakesOfThem) {
    const Choice choices[] = {
        {30, 2, 3, 4, 1, IDC_COLOURS_2, "3", {30, 2, 3, 4}},
        {45, 2, 3, 4, 16, IDC_COLOURS_3, "3", {45, 3, 3, 4}},         // two colours need at most 32
        {59, 7, 0, 12, 30, IDC_COLOURS_7, "6", {59, 7, 6, 12}},       // 0 rounds: the default
        {29, 5, -3, 9, 0, IDC_COLOURS_5, "6", {29, 5, 6, 9}},         // so for a minus sign
        {42, 4, 1000, 7, 13, IDC_COLOURS_4, "1000", {42, 4, 100, 7}}, // three digits are read
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.balls);
        reset_page_mirror();
        ASSERT_EQ(trivelle_start(800, 600), 1);
        ASSERT_EQ(trivelle_new_test(c.balls, c.colours, c.rounds, c.lines, 1), 1);
        EXPECT_EQ(page_mirror.list_selection, c.list_index);
        for (int id = IDC_COLOURS_2; id <= IDC_COLOURS_7; ++id) {
            EXPECT_EQ(page_mirror.controls[id].checked, id == c.checked_radio) << id;
        }
        EXPECT_EQ(page_mirror.controls[IDC_ROUNDS].text, c.rounds_text);
        EXPECT_EQ(game.settings, c.played);
        EXPECT_EQ(page_mirror.controls[IDC_LINES_DISPLAY].text, "0*1000/0");
        EXPECT_EQ(page_mirror.controls[IDC_ACCURACY_DISPLAY].text, "0.0");
        expect_enabled({IDC_NEW, IDC_COLOURS_2}, false);
        expect_enabled(settings_controls, false);
        expect_enabled({IDC_SKIP}, true);
        expect_page_mirrors_module();
    }
}

TEST_F(WebPanel, NewIsRefusedWithoutAChangeForCountsThePanelLacksAndWhileATestRuns) {
    const int calls = page_mirror.calls;
    const int refused[][2] = {{28, 7}, {60, 7}, {42, 1}, {42, 8}};
    for (const auto& counts : refused) {
        EXPECT_EQ(trivelle_new_test(counts[0], counts[1], 5, 12, 1), 0) << counts[0];
    }
    EXPECT_EQ(page_mirror.calls, calls);
    ASSERT_EQ(trivelle_new_test(42, 7, 5, 12, 1), 1);
    const GameState running = game;
    EXPECT_EQ(trivelle_new_test(42, 7, 5, 12, 2), 0);
    EXPECT_EQ(game.random_state, running.random_state);
}

// Places balls of one colour into an otherwise empty board.
void set_board(std::initializer_list<std::pair<int, int>> cells) {
    for (uint8_t& v : game.board) {
        v = 0;
    }
    for (uint8_t& m : game.marks) {
        m = 0;
    }
    for (const auto& [column, row] : cells) {
        game.board[cell_index(column, row)] = 2; // red
    }
    game.ball_count = int32_t(cells.size());
    game.selection_active = 0;
}

void click_cell(int column, int row) { trivelle_click(cell_centre_x(column), cell_centre_y(row)); }

TEST_F(WebPanel, ATestOfOneLineEndsWithTheResultFieldsAndNewReturnsOnceItIsSent) {
    ASSERT_EQ(trivelle_new_test(42, 7, 1, 1, 7), 1);
    EXPECT_EQ(page_mirror.cursor_cross, 1); // the next line ends the round
    EXPECT_EQ(trivelle_result_sent(), 0);

    // Four reds on the top row and a fifth that can reach the gap.
    set_board({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {5, 1}});
    click_cell(5, 1);
    click_cell(4, 0);
    EXPECT_EQ(page_mirror.controls[IDC_LINES_DISPLAY].text, "1*1000/1");
    EXPECT_EQ(page_mirror.controls[IDC_ACCURACY_DISPLAY].text, "  1000.000");
    EXPECT_EQ(page_mirror.cursor_cross, 0);
    expect_enabled(result_controls, true);
    expect_enabled({IDC_SKIP, IDC_NEW}, false);
    expect_enabled(settings_controls, false);
    expect_page_mirrors_module();
    EXPECT_EQ(trivelle_new_test(42, 7, 1, 1, 8), 0);

    EXPECT_EQ(trivelle_result_sent(), 1);
    expect_enabled({IDC_NEW}, true);
    expect_enabled(settings_controls, true);
    expect_enabled({IDC_COLOURS_2}, false);
    expect_page_mirrors_module();
    EXPECT_EQ(trivelle_new_test(30, 2, 1, 1, 9), 1);
}

} // namespace
