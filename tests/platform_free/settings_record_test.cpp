#include "record/settings_record.h"
#include "tests/support/record_samples.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string join(const std::vector<std::string>& fields) {
    std::string record;
    for (size_t i = 0; i < fields.size(); ++i) {
        record += (i ? sep : "") + fields[i];
    }
    return record;
}

// The text the walk gives back for a field; "<none>" if it gives none.
std::string text_for(const RecordReading& reading, RecordText field) {
    for (const FieldText& text : reading.texts) {
        if (text.field == field) {
            return text.text;
        }
    }
    return "<none>";
}

TEST(SettingsRecordFormat, TenFieldsWithNumbersInDecimalAndNoTrailingSeparator) {
    const PlayerTexts texts = {"Ник", "ru", "Москва", "hidden", "1980", "me@example.org"};
    EXPECT_EQ(build_settings_record(settings_of(42, 7, 5, 12), 321, texts),
              join({"42", "7", "5 12", "321", "Ник", "ru", "Москва", "hidden", "1980",
                    "me@example.org"}));
    EXPECT_EQ(build_settings_record(settings_of(-1, 0, -3, 0), 0, PlayerTexts{}),
              join({"-1", "0", "-3 0", "0", "", "", "", "", "", ""}));
}

TEST(SettingsRecordFormat, LongestRecordKeepsEveryByte) {
    const std::string record =
        build_settings_record(longest_settings(), longest_move_count, longest_texts());
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
    const std::string record = build_settings_record(settings_of(42, 7, 5, 12), 1, texts);
    TestSettings state{};
    const RecordReading reading = read_settings_record(record, state);
    EXPECT_EQ(text_for(reading, RecordText::nickname), longest_texts().nickname);
    EXPECT_EQ(text_for(reading, RecordText::city), "abc");
    EXPECT_EQ(text_for(reading, RecordText::email), longest_texts().email);
    EXPECT_EQ(text_for(reading, RecordText::birth_year), "1999");
}

// Each text one character longer than its edit allows keeps the edit's limit: 16, 2, 25, 77,
// 4 and 51 characters.
TEST(SettingsRecordFormat, EveryTextIsCutToItsOwnEditsLimit) {
    const PlayerTexts texts = {std::string(17, 'n'), "rus",   std::string(26, 'c'),
                               std::string(78, 'h'), "19801", std::string(52, 'e')};
    EXPECT_EQ(build_settings_record(settings_of(42, 7, 5, 12), 1, texts),
              join({"42", "7", "5 12", "1", std::string(16, 'n'), "ru", std::string(25, 'c'),
                    std::string(77, 'h'), "1980", std::string(51, 'e')}));
}

TEST(SettingsRecordReading, RoundTripRestoresSettingsAndTexts) {
    const PlayerTexts texts = {"Игрок", "ua", "Київ", "carried through", "1975", "a@b.c"};
    const std::string record = build_settings_record(settings_of(30, 2, 9, 15), 4444, texts);
    TestSettings state{};
    const RecordReading reading = read_settings_record(record, state);
    EXPECT_EQ(state.initial_ball_count, 30);
    EXPECT_EQ(state.colour_count, 2);
    EXPECT_EQ(state.round_count, 9);
    EXPECT_EQ(state.lines_per_round, 15);
    EXPECT_EQ(reading.stated_colours, 2);
    const std::vector<std::pair<RecordText, std::string>> expected = {
        {RecordText::rounds, "9"},        {RecordText::lines_per_round, "15"},
        {RecordText::nickname, "Игрок"},  {RecordText::country, "ua"},
        {RecordText::city, "Київ"},       {RecordText::hidden_text, "carried through"},
        {RecordText::birth_year, "1975"}, {RecordText::email, "a@b.c"},
    };
    ASSERT_EQ(reading.texts.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(reading.texts[i].field, expected[i].first) << i;
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
        TestSettings state{};
        state.round_count = 55;
        state.lines_per_round = 7;
        const RecordReading reading =
            read_settings_record(join({"42", "7", c.field, "1", ""}), state);
        EXPECT_EQ(state.round_count, c.rounds) << '"' << c.field << '"';
        EXPECT_EQ(state.lines_per_round, c.lines) << '"' << c.field << '"';
        EXPECT_EQ(text_for(reading, RecordText::rounds), std::to_string(c.rounds));
        EXPECT_EQ(text_for(reading, RecordText::lines_per_round), std::to_string(c.lines));
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
        TestSettings state{};
        state.initial_ball_count = 77;
        read_settings_record(join({c.field, "7", "5 12"}), state);
        EXPECT_EQ(state.initial_ball_count, c.balls) << '"' << c.field << '"';
    }
}

TEST(SettingsRecordReading, FieldTwoColourCountAndTheRadioItChooses) {
    struct Case {
        const char* field;
        int32_t colours;
        int stated; // the colour count whose radio the panel checks, 0 for none
    };
    const Case cases[] = {
        {"2", 2, 2}, {"3", 3, 3}, {"4", 4, 4}, {"5", 5, 5}, {"6", 6, 6},         {"7", 7, 7},
        {"9", 9, 0}, {"0", 0, 0}, {"", 0, 0},  {"1", 1, 0}, {"3 colours", 3, 3},
    };
    for (const Case& c : cases) {
        TestSettings state{};
        const RecordReading reading = read_settings_record(join({"42", c.field, "5 12"}), state);
        EXPECT_EQ(state.colour_count, c.colours) << '"' << c.field << '"';
        EXPECT_EQ(reading.stated_colours, c.stated) << '"' << c.field << '"';
    }
}

TEST(SettingsRecordReading, ShortAndLongRecordsFillWhatTheyHave) {
    TestSettings state{};
    state.initial_ball_count = 0;
    state.colour_count = 0;
    state.lines_per_round = 10;
    state.round_count = 10;

    RecordReading reading = read_settings_record("", state);
    EXPECT_EQ(state.round_count, 0) << "an empty record still clears round_count";
    EXPECT_EQ(state.lines_per_round, 10);
    EXPECT_EQ(state.initial_ball_count, 0);
    ASSERT_EQ(reading.texts.size(), 1u);
    EXPECT_EQ(reading.texts[0].field, RecordText::email);
    EXPECT_EQ(reading.texts[0].text, "");

    reading = read_settings_record("only e-mail", state);
    EXPECT_EQ(text_for(reading, RecordText::email), "only e-mail");
    EXPECT_EQ(state.initial_ball_count, 0) << "a field without a separator after it is field 10";

    reading = read_settings_record(join({"31", "4", "2 3", "9", "nick", "ru"}), state);
    EXPECT_EQ(state.initial_ball_count, 31);
    EXPECT_EQ(text_for(reading, RecordText::nickname), "nick");
    EXPECT_EQ(text_for(reading, RecordText::email), "ru") << "the text after the last separator";
    EXPECT_EQ(text_for(reading, RecordText::country), "<none>");

    reading = read_settings_record(
        join({"31", "4", "2 3", "9", "n", "ru", "c", "h", "1990", "e", "eleven", "twelve"}), state);
    EXPECT_EQ(text_for(reading, RecordText::email), "twelve");
    EXPECT_EQ(text_for(reading, RecordText::birth_year), "1990");

    reading = read_settings_record(std::string("45") + sep + "3" + std::string(1, '\0') + sep + "x",
                                   state);
    EXPECT_EQ(state.initial_ball_count, 45);
    EXPECT_EQ(text_for(reading, RecordText::email), "3")
        << "the record ends at its first zero byte";
}

TEST(PrivacyCut, StoredFormEndsAfterFieldSevenWithThreeSeparators) {
    const PlayerTexts texts = {"nick", "ru", "city", "hidden", "1980", "e@x"};
    const std::string record = build_settings_record(settings_of(42, 7, 5, 12), 99, texts);
    const std::string expected = join({"42", "7", "5 12", "99", "nick", "ru", "city", "", "", ""});
    EXPECT_EQ(without_private_fields(record), expected);
    EXPECT_EQ(expected.substr(expected.size() - 3), sep + sep + sep);

    TestSettings state{};
    const RecordReading reading = read_settings_record(expected, state);
    EXPECT_EQ(text_for(reading, RecordText::city), "city");
    EXPECT_EQ(text_for(reading, RecordText::hidden_text), "");
    EXPECT_EQ(text_for(reading, RecordText::birth_year), "");
    EXPECT_EQ(text_for(reading, RecordText::email), "");

    const std::string longest =
        build_settings_record(longest_settings(), longest_move_count, longest_texts());
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
        TestSettings settings{};
        const RecordReading reading = read_settings_record(stored, settings);
        for (RecordText field :
             {RecordText::hidden_text, RecordText::birth_year, RecordText::email}) {
            const std::string shown = text_for(reading, field);
            EXPECT_TRUE(shown == "" || shown == "<none>")
                << c.name << ": field " << int(field) << " shows " << shown;
        }
    }
}

// A record written with '|' for the separator byte.
std::string with_separators(std::string text) {
    std::replace(text.begin(), text.end(), '|', record_separator);
    return text;
}

// For every number of separators a stored record may hold, the cut keeps fields 1 to 7 and
// adds the three separators of the withheld form, or, for a record without seven of them,
// drops the text after its last separator: the walk would show that text as the e-mail.
TEST(PrivacyCut, RecordsOfEveryFieldCount) {
    struct Case {
        const char* stored;
        const char* withheld; // what withhold_stored_fields leaves
        bool rewritten;       // what it returns
        const char* without;  // what without_private_fields gives
    };
    const Case cases[] = {
        {"", "", false, ""},
        {"f1", "", true, "f1"},
        {"f1|f2", "f1|", true, "f1|f2"},
        {"f1|f2|f3", "f1|f2|", true, "f1|f2|f3"},
        {"f1|f2|f3|f4", "f1|f2|f3|", true, "f1|f2|f3|f4"},
        {"f1|f2|f3|f4|f5", "f1|f2|f3|f4|", true, "f1|f2|f3|f4|f5"},
        {"f1|f2|f3|f4|f5|f6", "f1|f2|f3|f4|f5|", true, "f1|f2|f3|f4|f5|f6"},
        {"f1|f2|f3|f4|f5|f6|f7", "f1|f2|f3|f4|f5|f6|", true, "f1|f2|f3|f4|f5|f6|f7"},
        {"f1|f2|f3|f4|f5|f6|f7|f8", "f1|f2|f3|f4|f5|f6|f7|||", true, "f1|f2|f3|f4|f5|f6|f7|||"},
        {"f1|f2|f3|f4|f5|f6|f7|f8|f9", "f1|f2|f3|f4|f5|f6|f7|||", true, "f1|f2|f3|f4|f5|f6|f7|||"},
        {"f1|f2|f3|f4|f5|f6|f7|f8|f9|f10", "f1|f2|f3|f4|f5|f6|f7|||", true,
         "f1|f2|f3|f4|f5|f6|f7|||"},
        {"f1|f2|f3|f4|f5|f6|f7|f8|f9|f10|f11", "f1|f2|f3|f4|f5|f6|f7|||", true,
         "f1|f2|f3|f4|f5|f6|f7|||"},
        {"f1|f2|f3|f4|f5|f6|f7|f8|f9|f10|f11|f12", "f1|f2|f3|f4|f5|f6|f7|||", true,
         "f1|f2|f3|f4|f5|f6|f7|||"},
        // Ending in a separator: nothing follows the last one to be read as the e-mail.
        {"|", "|", false, "|"},
        {"f1|f2|f3|f4|f5|f6|", "f1|f2|f3|f4|f5|f6|", false, "f1|f2|f3|f4|f5|f6|"},
        {"f1|f2|f3|f4|f5|f6|f7|", "f1|f2|f3|f4|f5|f6|f7|||", true, "f1|f2|f3|f4|f5|f6|f7|||"},
        {"||||||||", "|||||||||", true, "|||||||||"},
        {"f1|f2|f3|f4|f5|f6|f7|||", "f1|f2|f3|f4|f5|f6|f7|||", true, "f1|f2|f3|f4|f5|f6|f7|||"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        std::string stored = with_separators(c.stored);
        EXPECT_EQ(withhold_stored_fields(stored), c.rewritten);
        EXPECT_EQ(stored, with_separators(c.withheld));
        EXPECT_EQ(without_private_fields(with_separators(c.stored)), with_separators(c.without));
    }
}

} // namespace
