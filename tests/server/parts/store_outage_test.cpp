// A store's outage told as an operator wants it: one line as it begins, one as it ends with
// its length and the results it refused, nothing for each refused batch.
#include "server/store/store_outage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Told {
    std::vector<std::string> lines;
    StoreOutage::Clock::time_point now{};
    StoreOutage outage{[this](const std::string& line) { lines.push_back(line); },
                       [this] { return now; }};
};

TEST(StoreOutage, OneLineAsItBeginsAndOneAsItEndsWithItsLengthAndItsRefusals) {
    Told told;
    told.outage.reached();
    EXPECT_TRUE(told.lines.empty()) << "no outage, nothing to tell";

    told.outage.refused(3, "cannot connect: no answer within 500 ms");
    told.now += 2s;
    told.outage.refused(1, "cannot connect: connection refused");
    told.now += 10s + 470ms;
    told.outage.refused(5, "cannot connect: connection refused");
    ASSERT_EQ(told.lines.size(), 1u);
    EXPECT_EQ(told.lines[0], "results cannot be stored, and are answered 503 "
                             "until the database takes them again: cannot connect: no answer "
                             "within 500 ms");
    told.outage.reached();
    told.outage.reached();
    ASSERT_EQ(told.lines.size(), 2u);
    EXPECT_EQ(told.lines[1], "results are stored again after 12.4 s; 9 results "
                             "were refused meanwhile");

    // A second outage counts afresh.
    told.outage.refused(1, "disk I/O error");
    told.now += 50ms;
    told.outage.reached();
    ASSERT_EQ(told.lines.size(), 4u);
    EXPECT_EQ(told.lines[3], "results are stored again after 0.0 s; 1 result was refused "
                             "meanwhile");
}

} // namespace
