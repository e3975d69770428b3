#include "record/result_link.h"
#include "record/settings_record.h"
#include "resources/web_addresses.h"
#include "tests/support/record_samples.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

bool lowercase_hex(const std::string& text) {
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string checksum_digits(const std::string& record) {
    const std::string scrambled = scramble_record(record);
    return scrambled.substr(record.size() + 1);
}

TEST(ResultLink, ShortRecordGivesKnownBytesQueryAndLink) {
    EXPECT_EQ(scramble_record("abc"), "\x9E\x9D\x9C\xFE"
                                      "725");
    EXPECT_EQ(result_link_query("abc"), "d6e6c6dfb313a3");
    EXPECT_EQ(result_link("abc"), std::string(result_link_prefix) + "d6e6c6dfb313a3");
    EXPECT_EQ(std::string(result_link_prefix).substr(0, 7), "http://");
    EXPECT_TRUE(std::string(result_link_prefix).ends_with("/cgi-bin/trv-w-ru.pl?"));
}

TEST(ResultLink, BitShuffleSwapsNeighbouringBitsThenHalves) {
    // Bits 7 to 0 of the output are bits 2, 3, 0, 1, 6, 7, 4, 5 of the input.
    const int source_bit[8] = {2, 3, 0, 1, 6, 7, 4, 5};
    for (int b = 0; b < 256; ++b) {
        int expected = 0;
        for (int out = 7; out >= 0; --out) {
            expected |= ((b >> source_bit[7 - out]) & 1) << out;
        }
        EXPECT_EQ(shuffle_bits(uint8_t(b)), expected) << b;
        EXPECT_EQ(unshuffle_bits(shuffle_bits(uint8_t(b))), b) << b;
    }
}

TEST(ResultLink, LengthFollowsRecordLengthAndChecksumDigits) {
    struct Case {
        std::string record;
        const char* sum;
        size_t digits;
    };
    // Complemented bytes: 'a' 158, 'b' 157, 'c' 156, '!' 222, 0xFF 0; the separator adds 254.
    const Case cases[] = {
        {"", "254", 3},
        {"abc", "725", 3},
        {std::string(4, 'a'), "886", 3},
        {std::string(5, 'a'), "1044", 4},
        {std::string(200, '\xFF'), "254", 3},
        {std::string(240, '!'), "53534", 5},
        {build_settings_record(longest_settings(), longest_move_count, longest_texts()), "24390",
         5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checksum_digits(c.record), c.sum) << c.record.size();
        EXPECT_EQ(checksum_digits(c.record).size(), c.digits) << c.record.size();
        const std::string query = result_link_query(c.record);
        EXPECT_EQ(query.size(), 2 * (c.record.size() + 1 + c.digits)) << c.record.size();
        EXPECT_TRUE(lowercase_hex(query)) << query;
    }
}

TEST(ResultLink, EveryByteBecomesTwoLowercaseHexDigits) {
    for (int b = 1; b < 256; ++b) {
        const std::string record(1, char(b));
        const std::string query = result_link_query(record);
        const std::string digits = checksum_digits(record);
        ASSERT_EQ(query.size(), 2 * (2 + digits.size())) << b;
        EXPECT_TRUE(lowercase_hex(query)) << b;
        char expected[3];
        snprintf(expected, sizeof expected, "%02x", shuffle_bits(uint8_t(~b)));
        EXPECT_EQ(query.substr(0, 2), expected) << b;
        EXPECT_EQ(query.substr(2, 2), "df") << "the complemented separator, after byte " << b;
    }
    // Separators inside the record, Cyrillic letters of code page 1251 and checksum digits.
    const std::string record = "Я" + sep + "Ж";
    ASSERT_EQ(record, "\xDF\x01\xC6");
    // Я: ~0xDF = 0x20 -> 01; separator -> df; Ж: ~0xC6 = 0x39 -> 63; checksum 32+254+57+254 = 597.
    EXPECT_EQ(result_link_query(record), "01df63df" + query_of_raw_bytes("597"));
    EXPECT_EQ(query_of_raw_bytes("0123456789"), "0323133383a393b34363");
}

TEST(ResultLink, LongestRecordIsLinkedWhole) {
    const std::string record =
        build_settings_record(longest_settings(), longest_move_count, longest_texts());
    const std::string link = result_link(record);
    const std::string prefix = result_link_prefix;
    ASSERT_EQ(link.substr(0, prefix.size()), prefix);
    EXPECT_EQ(link.size(), prefix.size() + 2 * (240 + 1 + 5));
    const DecodedResult decoded = decode_result_link(link);
    ASSERT_TRUE(decoded.valid) << decoded.error;
    EXPECT_TRUE(decoded.checksum_holds);
    EXPECT_EQ(decoded.record, record);
    ASSERT_EQ(decoded.fields.size(), 10u);
    EXPECT_EQ(decoded.fields[9], longest_texts().email);
}

TEST(ResultLinkDecoding, RoundTrips) {
    const std::string records[] = {
        "abc",
        "",
        build_settings_record(settings_of(42, 7, 5, 12), 321,
                              {"Ник", "ru", "Москва", "скрытый", "1980", "me@example.org"}),
        // The e-mail ends in Ж, whose complement is the digit 9, right before the checksum.
        build_settings_record(settings_of(30, 2, 1, 1), 0, {"", "", "", "", "", "ЖЖЖ"}),
        build_settings_record(longest_settings(), longest_move_count, longest_texts()),
    };
    for (const std::string& record : records) {
        for (const std::string& input :
             {result_link(record), result_link_query(record), "?" + result_link_query(record)}) {
            const DecodedResult decoded = decode_result_link(input);
            ASSERT_TRUE(decoded.valid) << decoded.error;
            EXPECT_TRUE(decoded.checksum_holds) << input;
            EXPECT_EQ(decoded.record, record);
            EXPECT_EQ(decoded.stated_checksum, decoded.computed_checksum);
        }
    }
    const DecodedResult upper = decode_result_link("D6E6C6DFB313A3");
    EXPECT_TRUE(upper.valid && upper.checksum_holds && upper.record == "abc");
}

TEST(ResultLinkDecoding, SplitsTheTenFields) {
    const std::string record = build_settings_record(
        settings_of(42, 7, 5, 12), 321, {"Ник", "ru", "Москва", "", "1980", "me@example.org"});
    const DecodedResult decoded = decode_result_link(result_link(record));
    const std::vector<std::string> expected = {"42", "7",      "5 12", "321",  "Ник",
                                               "ru", "Москва", "",     "1980", "me@example.org"};
    EXPECT_EQ(decoded.fields, expected);
}

TEST(ResultLinkDecoding, RefusesMalformedInputAndReportsAWrongChecksum) {
    struct Case {
        std::string input;
        const char* error_part;
    };
    const Case refused[] = {
        {"", "empty"},
        {std::string(result_link_prefix), "empty"},
        {"d6e6c6dfb313a", "odd"},
        {"d6e6c6dfb313g3", "not a hexadecimal digit"},
        {"d6e6 6dfb313a3", "not a hexadecimal digit"},
        {query_of_raw_bytes("725"), "no record separator"},
        {query_of_raw_bytes("\x9E\x9D\x9C\xFE"), "checksum after the record is missing"},
        {query_of_raw_bytes("\x9E\x9D\x9C\xFE"
                            "72x"),
         "not a decimal number"},
    };
    for (const Case& c : refused) {
        const DecodedResult decoded = decode_result_link(c.input);
        EXPECT_FALSE(decoded.valid) << c.input;
        EXPECT_NE(decoded.error.find(c.error_part), std::string::npos)
            << c.input << ": " << decoded.error;
    }

    const std::string wrong_checksums[] = {
        query_of_raw_bytes("\x9E\x9D\x9C\xFE"
                           "726"),
        query_of_raw_bytes("\x9E\x9D\x9C\xFE"
                           "0725"),
        query_of_raw_bytes("\x9E\x9D\x9D\xFE"
                           "725"), // a record byte changed
    };
    for (const std::string& input : wrong_checksums) {
        const DecodedResult decoded = decode_result_link(input);
        ASSERT_TRUE(decoded.valid) << input << ": " << decoded.error;
        EXPECT_FALSE(decoded.checksum_holds) << input;
    }
}

} // namespace
