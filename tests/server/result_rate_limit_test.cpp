// The per-client allowance of results: a minute's worth at once, refilled evenly, the wait
// told in whole seconds, and a table that forgets the client seen longest ago.
#include "server/result_rate_limit.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;
using Clock = ResultRateLimit::Clock;

ClientKey client(int n) {
    return client_key(boost::asio::ip::make_address_v4(
        boost::asio::ip::address_v4::uint_type(0xC6336400u + unsigned(n)))); // 198.51.100.n
}

TEST(ResultRateLimit, AMinutesAllowanceAtOnceThenTheWaitUntilTheNext) {
    ResultRateLimit limit(30, 100); // one result every two seconds
    const Clock::time_point start{};
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(limit.admit(client(1), start), seconds(0)) << "result " << i;
    }
    EXPECT_EQ(limit.admit(client(1), start), seconds(2));
    EXPECT_EQ(limit.admit(client(2), start), seconds(0)) << "another client has its own";
    // Refused results use up nothing: after 1.5 s the wait is what is left of the two.
    EXPECT_EQ(limit.admit(client(1), start + std::chrono::milliseconds(1500)), seconds(1));
    EXPECT_EQ(limit.admit(client(1), start + seconds(2)), seconds(0));
    EXPECT_EQ(limit.admit(client(1), start + seconds(2)), seconds(2));
    // A quiet minute and more gives back the whole allowance, never more.
    const Clock::time_point later = start + seconds(600);
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(limit.admit(client(1), later), seconds(0)) << "result " << i;
    }
    EXPECT_GT(limit.admit(client(1), later), seconds(0));
}

TEST(ResultRateLimit, ASlowAllowanceWaitsLong) {
    ResultRateLimit limit(1, 10);
    EXPECT_EQ(limit.admit(client(1), Clock::time_point{}), seconds(0));
    EXPECT_EQ(limit.admit(client(1), Clock::time_point{}), seconds(60));
}

TEST(ResultRateLimit, AFullTableForgetsTheClientSeenLongestAgo) {
    ResultRateLimit limit(1, 3);
    const Clock::time_point now{};
    for (int n = 1; n <= 3; ++n) {
        ASSERT_EQ(limit.admit(client(n), now), seconds(0));
    }
    // Client 1 is seen again, so 2 is now the one seen longest ago.
    EXPECT_GT(limit.admit(client(1), now), seconds(0));
    EXPECT_EQ(limit.admit(client(4), now), seconds(0));
    EXPECT_EQ(limit.tracked(), 3u);
    EXPECT_EQ(limit.admit(client(2), now), seconds(0)) << "2 was forgotten, and starts afresh";
    EXPECT_GT(limit.admit(client(4), now), seconds(0)) << "4 is still remembered";
    EXPECT_GT(limit.admit(client(1), now), seconds(0)) << "1 is still remembered";
    EXPECT_EQ(limit.tracked(), 3u);
}

TEST(ResultRateLimit, ACrowdOfAddressesNeverGrowsTheTable) {
    ResultRateLimit limit(30, 1000);
    const Clock::time_point now{};
    for (int n = 0; n < 100000; ++n) {
        ASSERT_EQ(limit.admit(client(n), now), seconds(0)) << n;
    }
    EXPECT_EQ(limit.tracked(), 1000u);
    // The last thousand are the ones remembered.
    EXPECT_EQ(limit.admit(client(0), now), seconds(0));
    for (int i = 0; i < 29; ++i) {
        ASSERT_EQ(limit.admit(client(99999), now), seconds(0));
    }
    EXPECT_GT(limit.admit(client(99999), now), seconds(0));
}

} // namespace
