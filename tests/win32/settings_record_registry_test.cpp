#include "engine/game_state.h"
#include "panel/panel_record_win32.h"
#include "panel/panel_win32.h"
#include "record/privacy_switch_win32.h"
#include "record/settings_record.h"
#include "record/stored_record_win32.h"
#include "resources/control_ids.h"
#include "shell/message_tables_win32.h"
#include "tests/win32/stand_in_panel_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string sep(1, record_separator);

// Each test starts with no stored record, the switch off and the engine at its start state.
class SettingsRecordRegistry : public testing::Test {
  protected:
    void SetUp() override { panel = start_record_test(); }
    void TearDown() override { end_record_test(panel); }

    // A later start: a fresh panel whose texts do not already hold the answers, and settings
    // before the record is loaded that no answer holds either.
    void restart() {
        destroy_stand_in_panel(panel);
        reset_game_state();
        panel = create_stand_in_panel();
        for (int id : {IDC_NICKNAME, IDC_COUNTRY, IDC_CITY, IDC_HIDDEN_FIELD, IDC_BIRTH_YEAR,
                       IDC_EMAIL, IDC_ROUNDS, IDC_LINES_PER_ROUND}) {
            SetDlgItemTextA(panel, id, "old");
        }
        game.settings.colour_count = 0;
        game.settings.initial_ball_count = 0;
        game.settings.lines_per_round = 77;
    }

    void fill_player_fields() {
        SetDlgItemTextA(panel, IDC_NICKNAME, "Игрок");
        SetDlgItemTextA(panel, IDC_COUNTRY, "ru");
        SetDlgItemTextA(panel, IDC_CITY, "Санкт-Петербург");
        SetDlgItemTextA(panel, IDC_HIDDEN_FIELD, "скрытое поле");
        SetDlgItemTextA(panel, IDC_BIRTH_YEAR, "1980");
        SetDlgItemTextA(panel, IDC_EMAIL, "игрок@example.org");
    }

    void set_settings(int balls, int colours, int rounds, int lines, int moves) {
        game.settings.initial_ball_count = balls;
        game.settings.colour_count = colours;
        game.settings.round_count = rounds;
        game.settings.lines_per_round = lines;
        game.total_moves = moves;
    }

    HWND panel = nullptr;
};

TEST_F(SettingsRecordRegistry, StoredWithTheSwitchOnAndLoadedAtTheNextStart) {
    set_settings(30, 2, 9, 15, 4444);
    fill_player_fields();
    store_private_fields = 1;
    store_settings_record(panel);

    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(type, DWORD(REG_SZ));
    const std::string expected = "30" + sep + "2" + sep + "9 15" + sep + "4444" + sep + "Игрок" +
                                 sep + "ru" + sep + "Санкт-Петербург" + sep + "скрытое поле" + sep +
                                 "1980" + sep + "игрок@example.org";
    EXPECT_EQ(data, expected + '\0');
    EXPECT_EQ(record_buffer, expected);

    restart();
    load_settings_record(panel);
    EXPECT_EQ(game.settings.initial_ball_count, 30);
    EXPECT_EQ(game.settings.colour_count, 2);
    EXPECT_EQ(game.settings.round_count, 9);
    EXPECT_EQ(game.settings.lines_per_round, 15);
    EXPECT_EQ(checked_colour(panel), IDC_COLOURS_2);
    EXPECT_EQ(control_text(panel, IDC_ROUNDS), "9");
    EXPECT_EQ(control_text(panel, IDC_LINES_PER_ROUND), "15");
    EXPECT_EQ(control_text(panel, IDC_NICKNAME), "Игрок");
    EXPECT_EQ(control_text(panel, IDC_COUNTRY), "ru");
    EXPECT_EQ(control_text(panel, IDC_CITY), "Санкт-Петербург");
    EXPECT_EQ(control_text(panel, IDC_HIDDEN_FIELD), "скрытое поле");
    EXPECT_EQ(control_text(panel, IDC_BIRTH_YEAR), "1980");
    EXPECT_EQ(control_text(panel, IDC_EMAIL), "игрок@example.org");
}

TEST_F(SettingsRecordRegistry, WithTheSwitchOffOnlyFieldsOneToSevenAreStored) {
    set_settings(42, 7, 5, 12, 123);
    fill_player_fields();
    store_settings_record(panel);

    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(type, DWORD(REG_SZ));
    const std::string stored = "42" + sep + "7" + sep + "5 12" + sep + "123" + sep + "Игрок" + sep +
                               "ru" + sep + "Санкт-Петербург" + sep + sep + sep;
    EXPECT_EQ(data, stored + '\0') << "the data is the text and its terminator, nothing more";
    EXPECT_EQ(record_buffer.substr(stored.size() - 2),
              "скрытое поле" + sep + "1980" + sep + "игрок@example.org")
        << "the complete record stays for the link";

    restart();
    load_settings_record(panel);
    EXPECT_EQ(control_text(panel, IDC_CITY), "Санкт-Петербург");
    EXPECT_EQ(control_text(panel, IDC_HIDDEN_FIELD), "");
    EXPECT_EQ(control_text(panel, IDC_BIRTH_YEAR), "");
    EXPECT_EQ(control_text(panel, IDC_EMAIL), "");
    EXPECT_EQ(checked_colour(panel), IDC_COLOURS_7);
}

TEST_F(SettingsRecordRegistry, FullLengthRecordIsStoredAndLoadedWhole) {
    set_settings(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN);
    const std::string nickname(16, '\xDF'), city(25, '\xC6'), hidden(77, 'h'), email(51, 'm');
    SetDlgItemTextA(panel, IDC_NICKNAME, (nickname + "more").c_str());
    SetDlgItemTextA(panel, IDC_COUNTRY, "ru");
    SetDlgItemTextA(panel, IDC_CITY, city.c_str());
    SetDlgItemTextA(panel, IDC_HIDDEN_FIELD, (hidden + "more").c_str());
    SetDlgItemTextA(panel, IDC_BIRTH_YEAR, "1999");
    SetDlgItemTextA(panel, IDC_EMAIL, email.c_str());
    store_private_fields = 1;
    store_settings_record(panel);

    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(data.size(), 241u);
    EXPECT_EQ(data, record_buffer + '\0');

    restart();
    load_settings_record(panel);
    EXPECT_EQ(game.settings.initial_ball_count, 42) << "a count below 1 starts as the default";
    EXPECT_EQ(control_text(panel, IDC_NICKNAME), nickname) << "cut to the edit's limit";
    EXPECT_EQ(control_text(panel, IDC_HIDDEN_FIELD), hidden);
    EXPECT_EQ(control_text(panel, IDC_EMAIL), email);
}

TEST_F(SettingsRecordRegistry, NoStoredRecordReadsAsAnEmptyOne) {
    restart();
    load_settings_record(panel);
    EXPECT_EQ(game.settings.initial_ball_count, 42) << "the default";
    EXPECT_EQ(game.settings.colour_count, 7) << "the default";
    EXPECT_EQ(game.settings.round_count, 0);
    EXPECT_EQ(game.settings.lines_per_round, 77);
    EXPECT_EQ(checked_colour(panel), IDC_COLOURS_7);
    EXPECT_EQ(control_text(panel, IDC_ROUNDS), "old") << "the template's text stays";
    EXPECT_EQ(control_text(panel, IDC_EMAIL), "");
    EXPECT_FALSE(record_key_exists()) << "reading creates nothing";
}

TEST_F(SettingsRecordRegistry, TurningTheSwitchOnThenOffWithholdsTheStoredPrivateFields) {
    set_settings(42, 5, 5, 12, 10);
    fill_player_fields();
    store_private_fields = 1;
    store_settings_record(panel); // stored with the private fields
    store_private_fields = 0;     // as at the start of another run

    // Clicks reach the switch through the panel's command rules.
    auto notify_switch = [&](WORD notification) {
        on_panel_command(panel, WM_COMMAND, MAKEWPARAM(IDC_PRIVACY_SWITCH, notification),
                         LPARAM(panel_controls.privacy_switch));
    };
    notify_switch(BN_CLICKED);
    EXPECT_EQ(store_private_fields, 1);
    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(data, record_buffer + '\0') << "turning the switch on touches nothing";

    notify_switch(BN_DOUBLECLICKED);
    EXPECT_EQ(store_private_fields, 1) << "only a click toggles the switch";
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(data, record_buffer + '\0');

    notify_switch(BN_CLICKED);
    EXPECT_EQ(store_private_fields, 0);
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(data, without_private_fields(record_buffer) + '\0');
    EXPECT_EQ(control_text(panel, IDC_EMAIL), "игрок@example.org") << "the edits keep their texts";
}

TEST_F(SettingsRecordRegistry, WithholdingRewritesEveryRecordThatHoldsPrivateText) {
    struct Case {
        const char* name;
        DWORD type;
        std::string stored;
        std::string after; // exact data afterwards
    };
    const std::string seven =
        "42" + sep + "7" + sep + "5 12" + sep + "1" + sep + "n" + sep + "ru" + sep + "c";
    const Case cases[] = {
        {"private fields", REG_SZ, seven + sep + "h" + sep + "1990" + sep + "e" + '\0',
         seven + sep + sep + sep + '\0'},
        // Rewritten with the same text: the type shows that it was written again.
        {"three separators at the end", REG_EXPAND_SZ, seven + sep + sep + sep + '\0',
         seven + sep + sep + sep + '\0'},
        {"binary without a terminator", REG_BINARY, seven + sep + "h" + sep + "1990" + sep + "e",
         seven + sep + sep + sep + '\0'},
        {"two separators: the text after them is the e-mail", REG_SZ,
         "a" + sep + "b" + sep + "c" + '\0', "a" + sep + "b" + sep + '\0'},
        {"twelve fields", REG_SZ,
         seven + sep + "h" + sep + "1990" + sep + "e" + sep + "11" + sep + "e" + '\0',
         seven + sep + sep + sep + '\0'},
        {"separators from the first byte", REG_SZ, sep + sep + sep + '\0', sep + sep + sep + '\0'},
        {"empty", REG_SZ, std::string(1, '\0'), std::string(1, '\0')},
    };
    for (const Case& c : cases) {
        set_raw_record(c.type, c.stored);
        store_private_fields = 1;
        toggle_privacy_switch();
        std::string data;
        DWORD type = 0;
        ASSERT_TRUE(raw_record(data, type)) << c.name;
        EXPECT_EQ(data, c.after) << c.name;
        const bool rewritten = c.after != c.stored || c.type != REG_SZ;
        EXPECT_EQ(type, rewritten ? DWORD(REG_SZ) : c.type) << c.name;
    }

    delete_record_key();
    store_private_fields = 1;
    toggle_privacy_switch();
    EXPECT_FALSE(record_key_exists()) << "with no stored record nothing is written";
}

TEST_F(SettingsRecordRegistry, UnusualStoredValuesLoadSafely) {
    const std::string record = "31" + sep + "3" + sep + "4 5" + sep + "7" + sep + "nick" + sep +
                               "ru" + sep + "c" + sep + "h" + sep + "1990" + sep + "mail";
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
        int32_t balls; // 42: read as no record, the default count
        std::string email;
    };
    std::string long_record = record + std::string(3000, 'x');
    const Case cases[] = {
        {"REG_SZ", REG_SZ, record + '\0', 31, "mail"},
        {"REG_SZ without its terminator", REG_SZ, record, 31, "mail"},
        {"REG_BINARY without a zero byte", REG_BINARY, record, 31, "mail"},
        {"REG_BINARY with a zero byte inside", REG_BINARY, record + '\0' + "junk" + sep + "9", 31,
         "mail"},
        {"REG_DWORD", REG_DWORD, std::string("33\0\0", 4), 42, "33"},
        {"no data", REG_SZ, "", 42, ""},
        {"longer than any record written, within the bound", REG_SZ, long_record + '\0', 31, ""},
        {"beyond the bound", REG_SZ, record + std::string(max_stored_record_size, 'x') + '\0', 42,
         ""},
        {"binary beyond the bound", REG_BINARY, std::string(3 * max_stored_record_size, '\x01'), 42,
         ""},
    };
    for (const Case& c : cases) {
        set_raw_record(c.type, c.data);
        restart();
        load_settings_record(panel);
        EXPECT_EQ(game.settings.initial_ball_count, c.balls) << c.name;
        if (c.balls != 42) {
            EXPECT_EQ(game.settings.colour_count, 3) << c.name;
            EXPECT_EQ(checked_colour(panel), IDC_COLOURS_3) << c.name;
            EXPECT_EQ(control_text(panel, IDC_BIRTH_YEAR), "1990") << c.name;
        }
        if (!c.email.empty() || c.balls == 42) {
            EXPECT_EQ(control_text(panel, IDC_EMAIL), c.email) << c.name;
        }
    }
    // A value longer than any record the program writes, but within the bound, is read whole.
    set_raw_record(REG_SZ, long_record + '\0');
    std::string text;
    ASSERT_TRUE(read_stored_record(text));
    EXPECT_EQ(text, long_record);
}

TEST_F(SettingsRecordRegistry, OversizedValuesAreLeftAloneByTheSwitch) {
    const std::string oversized = std::string(max_stored_record_size + 10, 'a') + sep + sep + sep;
    set_raw_record(REG_SZ, oversized + '\0');
    store_private_fields = 1;
    toggle_privacy_switch();
    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(data, oversized + '\0');
}

} // namespace
