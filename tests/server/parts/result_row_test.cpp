// Reading a result link into the row the service stores, and refusing what the program could
// not have sent.
#include "server/row/result_row.h"
#include "tests/server/result_links.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Written from the scrambling's description by an independent script, for the record
// 42 | 7 | 5 12 | 345 | Tester | ru | Москва | hidden | 1990 | t@x.org.
constexpr const char* known_query =
    "7cecdf4cdf5cfedcecdfcc7c5cdf7556c47456e4dfe454df3322d0a2e2f2dfb69676765626dfdc9c9cfcdf74f7b"
    "42e06e446df43b39383";

TEST(ResultRow, AKnownLinkGivesItsTenFieldsInUtf8) {
    for (bool upper : {false, true}) {
        std::string query = known_query;
        if (upper) {
            for (char& c : query) {
                c = char(std::toupper(static_cast<unsigned char>(c)));
            }
        }
        const LinkReading reading = read_result_link(query);
        ASSERT_TRUE(reading.row) << reading.reason;
        const ResultRow& row = *reading.row;
        EXPECT_EQ(row.link_key, known_query) << "one key whatever the case of the digits";
        EXPECT_EQ(row.settings.initial_ball_count, 42);
        EXPECT_EQ(row.settings.colour_count, 7);
        EXPECT_EQ(row.settings.round_count, 5);
        EXPECT_EQ(row.settings.lines_per_round, 12);
        EXPECT_EQ(row.total_moves, 345);
        EXPECT_EQ(line_count(row.settings), 60);
        EXPECT_EQ(row.utf8_texts.nickname, "Tester");
        EXPECT_EQ(row.utf8_texts.country, "ru");
        EXPECT_EQ(row.utf8_texts.city, utf8_text(u8"Москва"));
        EXPECT_EQ(row.utf8_texts.hidden_text, "hidden");
        EXPECT_EQ(row.utf8_texts.birth_year, "1990");
        EXPECT_EQ(row.utf8_texts.email, "t@x.org");
    }
}

TEST(ResultRow, CodePageLettersOutsideTheAlphabetBecomeTheirUtf8) {
    std::vector<std::string> fields = typical_fields();
    fields[4] = "\xA8\xB8\xB9\x96\x85"; // Ё ё № – …
    const LinkReading reading = read_result_link(query_of_fields(fields));
    ASSERT_TRUE(reading.row) << reading.reason;
    EXPECT_EQ(reading.row->utf8_texts.nickname, utf8_text(u8"Ёё№–…"));
}

TEST(ResultRow, TheEdgesTheProgramCanSendAreAccepted) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, std::string>> changes; // field index, text
    };
    const Case cases[] = {
        {"fewest balls", {{0, "29"}}},
        {"most balls", {{0, "59"}}},
        {"two colours with 32 balls", {{0, "32"}, {1, "2"}}},
        {"largest rounds and lines, a line every move", {{2, "999 9999"}, {3, "9989001"}}},
        {"largest move count", {{3, "2147483647"}}},
        {"one round of one line in one move", {{2, "1 1"}, {3, "1"}}},
        {"empty texts", {{4, ""}, {5, ""}, {6, ""}, {7, ""}, {8, ""}, {9, ""}}},
        {"every text at its limit",
         {{4, std::string(16, '\xDF')},
          {5, "ru"},
          {6, std::string(25, '\xC6')},
          {7, std::string(77, '\xFF')},
          {8, "1999"},
          {9, std::string(51, 'm')}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> fields = typical_fields();
        for (const auto& [index, text] : c.changes) {
            fields[size_t(index)] = text;
        }
        const LinkReading reading = read_result_link(query_of_fields(fields));
        EXPECT_TRUE(reading.row) << c.what << ": " << reading.reason;
    }
}

TEST(ResultRow, TheLongestLinkTheProgramCanSendIsTheLongestAccepted) {
    // Every number and text at its longest: 205 record bytes, the separator and a five-digit
    // checksum, two hexadecimal digits each.
    const std::string longest = query_of_fields(
        {"59", "7", "999 9999", "2147483647", std::string(16, '\xDF'), "ru",
         std::string(25, '\xC6'), std::string(77, '\xFF'), "1999", std::string(51, 'm')});
    EXPECT_EQ(longest.size(), 422u);
    EXPECT_EQ(longest_result_query, 422u);
    EXPECT_TRUE(read_result_link(longest).row);
    EXPECT_EQ(read_result_link(longest + "00").refusal, Refusal::too_long);
}

TEST(ResultRow, WhatTheProgramCannotSendIsRefusedWithItsReason) {
    auto with = [](std::vector<std::pair<int, std::string>> changes) {
        std::vector<std::string> fields = typical_fields();
        for (const auto& [index, text] : changes) {
            fields[size_t(index)] = text;
        }
        return query_of_fields(fields);
    };
    std::string scrambled = scramble_record(record_of_fields(typical_fields()));
    scrambled.back() = scrambled.back() == '3' ? '2' : '3';
    const std::string wrong_checksum = query_of_raw_bytes(scrambled);
    std::vector<std::string> nine_fields = typical_fields();
    nine_fields.pop_back();
    std::vector<std::string> eleven_fields = typical_fields();
    eleven_fields.push_back("x");
    struct Case {
        const char* what;
        std::string query;
        Refusal refusal;
    };
    const Case cases[] = {
        {"empty", "", Refusal::malformed},
        {"not hexadecimal", "7cecdfzz", Refusal::malformed},
        {"a second query mark", std::string("7cec?") + known_query, Refusal::malformed},
        {"odd length", std::string(known_query).substr(1), Refusal::malformed},
        {"no separator", "0000", Refusal::malformed},
        {"nine fields", query_of_fields(nine_fields), Refusal::malformed},
        {"eleven fields", query_of_fields(eleven_fields), Refusal::malformed},
        {"a checksum digit changed", wrong_checksum, Refusal::checksum},
        {"28 balls", with({{0, "28"}}), Refusal::out_of_range},
        {"60 balls", with({{0, "60"}}), Refusal::out_of_range},
        {"balls with a leading zero", with({{0, "042"}}), Refusal::out_of_range},
        {"balls with a sign", with({{0, "+42"}}), Refusal::out_of_range},
        {"balls with a blank", with({{0, " 42"}}), Refusal::out_of_range},
        {"no balls", with({{0, ""}}), Refusal::out_of_range},
        {"one colour", with({{1, "1"}}), Refusal::out_of_range},
        {"eight colours", with({{1, "8"}}), Refusal::out_of_range},
        {"two colours with 33 balls", with({{0, "33"}, {1, "2"}}), Refusal::out_of_range},
        {"no rounds", with({{2, "0 12"}}), Refusal::out_of_range},
        {"1000 rounds", with({{2, "1000 12"}}), Refusal::out_of_range},
        {"no lines", with({{2, "5 0"}}), Refusal::out_of_range},
        {"10000 lines", with({{2, "5 10000"}}), Refusal::out_of_range},
        {"two blanks", with({{2, "5  12"}}), Refusal::out_of_range},
        {"rounds alone", with({{2, "5"}}), Refusal::out_of_range},
        {"three numbers", with({{2, "5 12 1"}}), Refusal::out_of_range},
        {"one move fewer than the 60 lines", with({{3, "59"}}), Refusal::out_of_range},
        {"no moves", with({{3, "0"}}), Refusal::out_of_range},
        {"negative moves", with({{3, "-345"}}), Refusal::out_of_range},
        {"moves beyond int32", with({{3, "2147483648"}}), Refusal::out_of_range},
        {"17-letter nickname", with({{4, std::string(17, 'n')}}), Refusal::out_of_range},
        {"3-letter country", with({{5, "rus"}}), Refusal::out_of_range},
        {"26-letter city", with({{6, std::string(26, 'c')}}), Refusal::out_of_range},
        {"78-letter hidden text", with({{7, std::string(78, 'h')}}), Refusal::out_of_range},
        {"5-digit birth year", with({{8, "19900"}}), Refusal::out_of_range},
        {"52-letter e-mail", with({{9, std::string(52, 'e')}}), Refusal::out_of_range},
        {"a tab in the nickname", with({{4, "a\tb"}}), Refusal::out_of_range},
        {"a zero byte in the city", with({{6, std::string("a\0b", 3)}}), Refusal::out_of_range},
        {"DEL in the e-mail", with({{9, "a\x7F"}}), Refusal::out_of_range},
        {"the unused byte 0x98", with({{4, "a\x98"}}), Refusal::out_of_range},
    };
    for (const Case& c : cases) {
        const LinkReading reading = read_result_link(c.query);
        EXPECT_FALSE(reading.row) << c.what;
        EXPECT_EQ(reading.refusal, c.refusal) << c.what;
        EXPECT_FALSE(reading.reason.empty()) << c.what;
    }
}

} // namespace
