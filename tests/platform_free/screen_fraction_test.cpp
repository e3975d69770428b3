#include "shell/screen_fraction.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FractionCase {
    const char* argument;
    float expected;
};

const FractionCase fraction_cases[] = {
    {"", 1.0f},
    {"0.8", 0.8f},
    {"0", 1.0f},
    {"abc", 1.0f},
    {"0.75 and more words", 0.75f},
    {"  \t0.5", 0.5f},
    {"2", 2.0f},
    {"-1", -1.0f},
    {"1e-50", 1.0f}, // becomes 0 as a single-precision value
    {"0.60000000000000000000000001xyz", 0.6f},
    {"0.9                                                              1", 0.9f},
};

TEST(ScreenFraction, ParsesTheLeadingNumber) {
    for (const FractionCase& c : fraction_cases) {
        EXPECT_EQ(parse_screen_fraction(c.argument), c.expected) << '"' << c.argument << '"';
    }
    EXPECT_EQ(parse_screen_fraction(nullptr), 1.0f);
    const std::string long_text = "0.7" + std::string(100000, '5');
    EXPECT_FLOAT_EQ(parse_screen_fraction(long_text.c_str()), 0.75555555f);
}

} // namespace
