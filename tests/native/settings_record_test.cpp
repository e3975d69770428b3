#include "panel/control_ids.h"
#include "record/settings_record.h"
#include "tests/native/record_samples.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string sep(1, record_separator);

std::string join(const std::vector<std::string>& fields) {
    std::string record;
    for (size_t i = 0; i < fields.size(); ++i) {
        record += (i ? sep : "") + fields[i];
    }
    return record;
}

// The text the walk gives a control; "<none>" if it leaves the control alone.
std::string text_for(const RecordReading& reading, int control_id) {
    for (const ControlText& control : reading.texts) {
        if (control.control_id == control_id) {
            return control.text;
        }
    }
    return "<none>";
}

TEST(SettingsRecordFormat, TenFieldsWithNumbersInDecimalAndNoTrailingSeparator) {
    const PlayerTexts texts = {"Ник", "ru", "Москва", "hidden", "1980", "me@example.org"};
    EXPECT_EQ(build_settings_record(settings_of(42, 7, 5, 12, 321), texts),
              join({"42", "7", "5 12", "321", "Ник", "ru", "Москва", "hidden", "1980",
                    "me@example.org"}));
    EXPECT_EQ(build_settings_record(settings_of(-1, 0, -3, 0, 0), PlayerTexts{}),
              join({"-1", "0", "-3 0", "0", "", "", "", "", "", ""}));
}

TEST(SettingsRecordFormat, LongestRecordKeepsEveryByte) {
    const std::string record = build_settings_record(longest_settings(), longest_texts());
    const std::string n = "-2147483648";
    const PlayerTexts t = longest_texts();
    EXPECT_EQ(record, join({n, n, n + " " + n, n, t.nickname, t.country, t.city, t.hidden_text,
                            t.birth_year, t.email}));
    EXPECT_EQ(record.size(), 240u);
}

TEST(SettingsRecordFormat, TextsAreHeldToTheirLimitsAndCannotAddFields) {
    PlayerTexts texts = longest_texts();
    texts.nickname += "overflow";
    texts.email += "more";
    texts.city = "a" + sep + "b" + std::string(1, '\0') + "c";
    const std::string record = build_settings_record(settings_of(42, 7, 5, 12, 1), texts);
    GameState state{};
    const RecordReading reading = read_settings_record(record, state);
    EXPECT_EQ(text_for(reading, id_nickname), longest_texts().nickname);
    EXPECT_EQ(text_for(reading, id_city), "abc");
    EXPECT_EQ(text_for(reading, id_email), longest_texts().email);
    EXPECT_EQ(text_for(reading, id_birth_year), "1999");
}

TEST(SettingsRecordReading, RoundTripRestoresSettingsAndTexts) {
    const PlayerTexts texts = {"Игрок", "ua", "Київ", "carried through", "1975", "a@b.c"};
    const std::string record = build_settings_record(settings_of(30, 2, 9, 15, 4444), texts);
    GameState state{};
    const RecordReading reading = read_settings_record(record, state);
    EXPECT_EQ(state.initial_ball_count, 30);
    EXPECT_EQ(state.colour_count, 2);
    EXPECT_EQ(state.round_count, 9);
    EXPECT_EQ(state.lines_per_round, 15);
    EXPECT_EQ(state.total_moves, 0) << "the move count is not read back";
    EXPECT_EQ(reading.checked_radio, id_colours_2);
    const std::vector<std::pair<int, std::string>> expected = {
        {id_rounds, "9"},        {id_lines_per_round, "15"}, {id_nickname, "Игрок"},
        {id_country, "ua"},      {id_city, "Київ"},          {id_hidden_field, "carried through"},
        {id_birth_year, "1975"}, {id_email, "a@b.c"},
    };
    ASSERT_EQ(reading.texts.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(reading.texts[i].control_id, expected[i].first) << i;
        EXPECT_EQ(reading.texts[i].text, expected[i].second) << i;
    }
}

TEST(SettingsRecordReading, FieldThreeRoundsAndLines) {
    struct Case {
        const char* field;
        int32_t rounds, lines;
    };
    // lines_per_round is 7 before the walk; round_count is set to 0 by the walk itself.
    const Case cases[] = {
        {"0 0", 6, 12},
        {"1000 10000", 6, 12},
        {"999 9999", 999, 9999},
        {"-3 5", -3, 5},
        {"8", 8, 7},
        {"", 6, 7},
        {"x 5", 6, 7},
        {"  4\t 20", 4, 20},
        {"1 -1", 1, -1},
        {"+2 +3", 2, 3},
        {"99999999999 3", 6, 3},
        {"5 x", 5, 7},
    };
    for (const Case& c : cases) {
        GameState state{};
        state.round_count = 55;
        state.lines_per_round = 7;
        const RecordReading reading =
            read_settings_record(join({"42", "7", c.field, "1", ""}), state);
        EXPECT_EQ(state.round_count, c.rounds) << '"' << c.field << '"';
        EXPECT_EQ(state.lines_per_round, c.lines) << '"' << c.field << '"';
        EXPECT_EQ(text_for(reading, id_rounds), std::to_string(c.rounds));
        EXPECT_EQ(text_for(reading, id_lines_per_round), std::to_string(c.lines));
    }
}

TEST(SettingsRecordReading, FieldOneBallCountTakenAsItIs) {
    struct Case {
        const char* field;
        int32_t balls;
    };
    // 0 or less becomes 42 later, when the panel is finished; the walk takes what it reads.
    const Case cases[] = {
        {"0", 0},
        {"-5", -5},
        {"", 0},
        {"abc", 0},
        {"60", 60},
        {"29", 29},
        {" 33xy", 33},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
    };
    for (const Case& c : cases) {
        GameState state{};
        state.initial_ball_count = 77;
        read_settings_record(join({c.field, "7", "5 12"}), state);
        EXPECT_EQ(state.initial_ball_count, c.balls) << '"' << c.field << '"';
    }
}

TEST(SettingsRecordReading, FieldTwoColourCountAndItsRadio) {
    struct Case {
        const char* field;
        int32_t colours;
        int radio;
    };
    const Case cases[] = {
        {"2", 2, id_colours_2},
        {"3", 3, id_colours_3},
        {"4", 4, id_colours_4},
        {"5", 5, id_colours_5},
        {"6", 6, id_colours_6},
        {"7", 7, id_colours_7},
        {"9", 9, 0},
        {"0", 0, 0},
        {"", 0, 0},
        {"1", 1, 0},
        {"3 colours", 3, id_colours_3},
    };
    for (const Case& c : cases) {
        GameState state{};
        const RecordReading reading = read_settings_record(join({"42", c.field, "5 12"}), state);
        EXPECT_EQ(state.colour_count, c.colours) << '"' << c.field << '"';
        EXPECT_EQ(reading.checked_radio, c.radio) << '"' << c.field << '"';
    }
}

TEST(SettingsRecordReading, ShortAndLongRecordsFillWhatTheyHave) {
    GameState state{};
    state.initial_ball_count = 0;
    state.colour_count = 0;
    state.lines_per_round = 10;
    state.round_count = 10;

    RecordReading reading = read_settings_record("", state);
    EXPECT_EQ(state.round_count, 0) << "an empty record still clears round_count";
    EXPECT_EQ(state.lines_per_round, 10);
    EXPECT_EQ(state.initial_ball_count, 0);
    ASSERT_EQ(reading.texts.size(), 1u);
    EXPECT_EQ(reading.texts[0].control_id, id_email);
    EXPECT_EQ(reading.texts[0].text, "");

    reading = read_settings_record("only e-mail", state);
    EXPECT_EQ(text_for(reading, id_email), "only e-mail");
    EXPECT_EQ(state.initial_ball_count, 0) << "a field without a separator after it is field 10";

    reading = read_settings_record(join({"31", "4", "2 3", "9", "nick", "ru"}), state);
    EXPECT_EQ(state.initial_ball_count, 31);
    EXPECT_EQ(text_for(reading, id_nickname), "nick");
    EXPECT_EQ(text_for(reading, id_email), "ru") << "the text after the last separator";
    EXPECT_EQ(text_for(reading, id_country), "<none>");

    reading = read_settings_record(
        join({"31", "4", "2 3", "9", "n", "ru", "c", "h", "1990", "e", "eleven", "twelve"}), state);
    EXPECT_EQ(text_for(reading, id_email), "twelve");
    EXPECT_EQ(text_for(reading, id_birth_year), "1990");

    reading = read_settings_record(std::string("45") + sep + "3" + std::string(1, '\0') + sep + "x",
                                   state);
    EXPECT_EQ(state.initial_ball_count, 45);
    EXPECT_EQ(text_for(reading, id_email), "3") << "the record ends at its first zero byte";
}

TEST(PrivacyCut, StoredFormEndsAfterFieldSevenWithThreeSeparators) {
    const PlayerTexts texts = {"nick", "ru", "city", "hidden", "1980", "e@x"};
    const std::string record = build_settings_record(settings_of(42, 7, 5, 12, 99), texts);
    const std::string expected = join({"42", "7", "5 12", "99", "nick", "ru", "city", "", "", ""});
    EXPECT_EQ(without_private_fields(record), expected);
    EXPECT_EQ(expected.substr(expected.size() - 3), sep + sep + sep);

    GameState state{};
    const RecordReading reading = read_settings_record(expected, state);
    EXPECT_EQ(text_for(reading, id_city), "city");
    EXPECT_EQ(text_for(reading, id_hidden_field), "");
    EXPECT_EQ(text_for(reading, id_birth_year), "");
    EXPECT_EQ(text_for(reading, id_email), "");

    const std::string longest = build_settings_record(longest_settings(), longest_texts());
    const std::string cut = without_private_fields(longest);
    EXPECT_EQ(cut.size(), longest.size() - hidden_text_limit - birth_year_limit - email_limit);
    EXPECT_EQ(cut, longest.substr(0, cut.size() - 2) + sep + sep);
}

TEST(PrivacyCut, WithholdingAStoredRecordLeavesNoPrivateTextToReadBack) {
    struct Case {
        const char* name;
        std::string stored;
        bool rewritten;
        std::string after;
    };
    const std::string public_part = join({"42", "7", "5 12", "99", "nick", "ru", "city"});
    const std::string withheld = public_part + sep + sep + sep;
    const Case cases[] = {
        {"private fields present", join({public_part, "hidden", "1980", "e@x"}), true, withheld},
        {"already withheld", withheld, true, withheld},
        {"only the e-mail is set", withheld + "e@x", true, withheld},
        {"twelve fields", join({public_part, "hidden", "1980", "e@x", "11", "12"}), true, withheld},
        {"a doubled separator",
         join({"42", "7", "5 12", "99", "", "nick", "ru", "city", "hidden", "1980", "e@x"}), true,
         join({"42", "7", "5 12", "99", "", "nick", "ru", "", "", ""})},
        {"text after a zero byte", withheld + std::string(1, '\0') + "e@x", true, withheld},
        {"short record", "x" + sep + "a" + sep + "b" + sep + "c", true,
         "x" + sep + "a" + sep + "b" + sep},
        {"one separator", "a" + sep + "e@x", true, "a" + sep},
        {"separators only", sep + sep + sep, false, sep + sep + sep},
        {"no separator: all of it is the e-mail", "e@x", true, ""},
        {"empty", "", false, ""},
    };
    for (const Case& c : cases) {
        std::string stored = c.stored;
        EXPECT_EQ(withhold_stored_fields(stored), c.rewritten) << c.name;
        EXPECT_EQ(stored, c.after) << c.name;
        GameState state{};
        const RecordReading reading = read_settings_record(stored, state);
        for (int id : {id_hidden_field, id_birth_year, id_email}) {
            const std::string shown = text_for(reading, id);
            EXPECT_TRUE(shown == "" || shown == "<none>")
                << c.name << ": control " << id << " shows " << shown;
        }
    }
}

} // namespace
