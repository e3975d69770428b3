#include "record/field_display.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

namespace {

// What the C library's own converter makes of one code page 1251 byte.
std::string library_utf8(unsigned char byte) {
    iconv_t converter = iconv_open("UTF-8", "CP1251");
    if (converter == iconv_t(-1)) {
        return "<no converter>";
    }
    char in[1] = {char(byte)};
    char out[8] = {};
    char* in_at = in;
    char* out_at = out;
    size_t in_left = 1;
    size_t out_left = sizeof out;
    const size_t done = iconv(converter, &in_at, &in_left, &out_at, &out_left);
    iconv_close(converter);
    return done == size_t(-1) ? std::string() : std::string(out, out_at);
}

TEST(FieldDisplay, CodePage1251AgreesWithTheCLibrary) {
    if (library_utf8('A') == "<no converter>") {
        GTEST_SKIP() << "no CP1251 converter in this C library";
    }
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(cp1251_to_utf8(uint8_t(byte)), library_utf8(uint8_t(byte))) << byte;
    }
}

// Narrow literals are code page 1251 here; UTF-8 needs the u8 prefix.

TEST(FieldDisplay, EscapesWhatWouldBreakALine) {
    struct Case {
        std::string field;
        std::string utf8;
        std::string kept;
    };
    const Case cases[] = {
        {"plain@text.org", "plain@text.org", "plain@text.org"},
        {"Москва", utf8_text(u8"Москва"), "\xCC\xEE\xF1\xEA\xE2\xE0"},
        {std::string("a\x01\n\x7F\x98\\b"), "a\\x01\\x0a\\x7f\\x98\\\\b",
         "a\\x01\\x0a\\x7f\\x98\\\\b"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(displayable_field(c.field, false), c.utf8);
        EXPECT_EQ(displayable_field(c.field, true), c.kept);
    }
}

} // namespace
