// The blanks around a player's text: every Unicode space at either end, and nothing else,
// however the bytes around them are made.
#include "server/row/utf8_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Blanks, AreTakenFromBothEndsAndNeverFromWithinOrFromAnotherCharacter) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"a@x.org", "a@x.org"},
        {" \t a@x.org \r\n", "a@x.org"},
        {"\xC2\xA0"
         "a@x.org\xC2\xA0",
         "a@x.org"}, // no-break spaces
        {"\xE3\x80\x80\xEF\xBB\xBF"
         "a b\xE2\x80\x8B",
         "a b"}, // ideographic, zero-width no-break and zero-width spaces; the inner one stays
        {"   ", ""},
        {"", ""},
        // Other characters that share bytes with the blanks.
        {"\xC2\xA1", "\xC2\xA1"},                   // an inverted exclamation mark
        {"\xE2\x80\x90x", "\xE2\x80\x90x"},         // a hyphen
        {"x\xA0", "x\xA0"},                         // a stray continuation byte
        {"\xA0x", "\xA0x"},                         // the same at the start
        {"x\xE2\x80", "x\xE2\x80"},                 // a character cut short
        {"\xD0\xB0 \xD0\xB0", "\xD0\xB0 \xD0\xB0"}, // Cyrillic letters
    };
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(without_blanks(text), trimmed) << text;
    }
    EXPECT_EQ(after_blanks(" \xC2\xA0=1 "), "=1 ");
}

} // namespace
