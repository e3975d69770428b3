// Long random play: many seeds, stored records of every kind, the invariants after every click.
#include "tests/support/random_play.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string sep(1, '\x01');

TEST(Soak, RandomClicksKeepTheEngineSound) {
    // Sound, odd and hostile stored records, the numbers at the ends of their range included.
    const std::string records[] = {
        "",
        "42" + sep + "7" + sep + "5 12" + sep + "99" + sep + "nick" + sep + "ru" + sep + "city" +
            sep + sep + sep,
        "29" + sep + "2" + sep + "1 1" + sep + "0",
        "59" + sep + "7" + sep + "999 9999" + sep,
        sep + sep + "4-4443333333" + sep,
        "-2147483648" + sep + "-2147483648" + sep + "-2147483648 -2147483648" + sep + "-2147483648",
        "99999999999" + sep + "8" + sep + "0 0" + sep,
        "text",
    };
    constexpr int seeds = 120;
    constexpr int clicks_per_seed = 1000;
    for (int seed = 1; seed <= seeds; ++seed) {
        const std::string& record = records[seed % std::size(records)];
        const std::string broken = play_randomly(uint32_t(seed), clicks_per_seed, record);
        EXPECT_EQ(broken, "") << "seed " << seed << ", record " << testing::PrintToString(record);
    }
}

} // namespace
