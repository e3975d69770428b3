// The accuracy text the score display shows and the results service publishes.
#include "engine/accuracy_text.h"

#include <gtest/gtest.h>

namespace {

TEST(AccuracyText, LinesPerThousandMovesWithThreeDecimalsInTenCharacters) {
    struct Case {
        int32_t lines, moves;
        const char* text;
    };
    const Case cases[] = {
        {60, 345, "   173.913"},
        {0, 5, "     0.000"},
        {1, 1000000, "     0.001"},
        {9989001, 9989001, "  1000.000"},
        {9989001, 2147483647, "     4.651"},
        // The quotient is held as a float: the double 581.0575... would print 581.058.
        {1000, 1721, "   581.057"},
        {1000, 3961, "   252.462"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(accuracy_text(c.lines, c.moves), c.text) << c.lines << "/" << c.moves;
    }
}

} // namespace
