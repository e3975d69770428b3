// The allowances of results: a minute's worth at once, refilled evenly, the wait told in whole
// seconds; each client, each network and the whole service limited, nothing charged by a
// refusal; and tables that stay bounded without letting rotated addresses start afresh.
#include "server/site/result_rate_limit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace asio = boost::asio;
using std::chrono::seconds;
using Clock = ResultRateLimit::Clock;

asio::ip::address ip(const std::string& text) { return asio::ip::make_address(text); }

// Client n of many, each in a network of its own: 10.n/16 split into /24s.
asio::ip::address lone_client(int n) {
    return asio::ip::make_address_v4(
        asio::ip::address_v4::uint_type(0x0A000001u + (unsigned(n) << 8)));
}

// Limits that leave every level but the one under test out of the way.
ResultAllowances allowances(size_t per_client, size_t per_network = 1000000,
                            size_t per_service = 1000000, size_t max_tracked = 100000) {
    return {per_client, per_network, per_service, max_tracked};
}

// How many of count results, one from each of the addresses in turn, are taken at now.
int taken(ResultRateLimit& limit, int count, const auto& address_of, Clock::time_point now) {
    int admitted = 0;
    for (int i = 0; i < count; ++i) {
        admitted += limit.admit(address_of(i), now).wait == seconds(0) ? 1 : 0;
    }
    return admitted;
}

TEST(ResultRateLimit, AMinutesAllowanceAtOnceThenTheWaitUntilTheNext) {
    ResultRateLimit limit(allowances(30)); // one result every two seconds
    const Clock::time_point start{};
    const auto one = ip("198.51.100.1");
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(limit.admit(one, start).wait, seconds(0)) << "result " << i;
    }
    const Admission refused = limit.admit(one, start);
    EXPECT_EQ(refused.wait, seconds(2));
    EXPECT_EQ(refused.level, LimitLevel::client);
    EXPECT_EQ(limit.admit(ip("198.51.100.2"), start).wait, seconds(0)) << "another has its own";
    // Refused results use up nothing: after 1.5 s the wait is what is left of the two.
    EXPECT_EQ(limit.admit(one, start + std::chrono::milliseconds(1500)).wait, seconds(1));
    EXPECT_EQ(limit.admit(one, start + seconds(2)).wait, seconds(0));
    EXPECT_EQ(limit.admit(one, start + seconds(2)).wait, seconds(2));
    // A quiet minute and more gives back the whole allowance, never more.
    const Clock::time_point later = start + seconds(600);
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(limit.admit(one, later).wait, seconds(0)) << "result " << i;
    }
    EXPECT_GT(limit.admit(one, later).wait, seconds(0));
}

TEST(ResultRateLimit, ASlowAllowanceWaitsLong) {
    ResultRateLimit limit(allowances(1));
    EXPECT_EQ(limit.admit(ip("198.51.100.1"), Clock::time_point{}).wait, seconds(0));
    EXPECT_EQ(limit.admit(ip("198.51.100.1"), Clock::time_point{}).wait, seconds(60));
}

// Each level refuses once its own allowance is spent, whatever the levels below it allow;
// here 100 clients at once, spread as each case says.
TEST(ResultRateLimit, EachNetworkAndTheWholeServiceHaveTheirOwnAllowance) {
    struct Case {
        const char* what;
        ResultAllowances allowances;
        std::string (*address_of)(int);
        int taken;
        LimitLevel refused_by;
    };
    const Case cases[] = {
        {"an IPv4 /24, each client once", allowances(30, 12),
         [](int n) { return "198.51.100." + std::to_string(n + 1); }, 12, LimitLevel::network},
        {"an IPv6 /48, a new /64 each time", allowances(30, 12),
         [](int n) { return "2001:db8:7:" + std::to_string(n + 1) + "::1"; }, 12,
         LimitLevel::network},
        {"IPv4 written as IPv6 is the same /24", allowances(30, 12),
         [](int n) {
             return (n % 2 ? "::ffff:198.51.100." : "198.51.100.") + std::to_string(n + 1);
         },
         12, LimitLevel::network},
        {"a network of one client is its limit", allowances(30, 12),
         [](int) { return std::string("198.51.100.1"); }, 12, LimitLevel::network},
        {"one client below its network's", allowances(5, 12),
         [](int) { return std::string("198.51.100.1"); }, 5, LimitLevel::client},
        {"every client in a network of its own", allowances(30, 12, 40),
         [](int n) { return "10." + std::to_string(n) + ".0.1"; }, 40, LimitLevel::service},
    };
    for (const Case& c : cases) {
        ResultRateLimit limit(c.allowances);
        const Clock::time_point now{};
        EXPECT_EQ(taken(
                      limit, 100, [&](int n) { return ip(c.address_of(n)); }, now),
                  c.taken)
            << c.what;
        EXPECT_EQ(limit.admit(ip(c.address_of(100)), now).level, c.refused_by) << c.what;
    }
}

TEST(ResultRateLimit, ARefusalChargesNoLevel) {
    // Two results a minute per client, three per network, four for the service.
    ResultRateLimit limit(allowances(2, 3, 4));
    const Clock::time_point start{};
    const auto a = ip("198.51.100.1");
    const auto b = ip("198.51.100.2");
    const auto elsewhere = ip("203.0.113.1");
    EXPECT_EQ(limit.admit(a, start).wait, seconds(0));
    EXPECT_EQ(limit.admit(a, start).wait, seconds(0));
    EXPECT_EQ(limit.admit(b, start).wait, seconds(0));
    // The network's three are spent: b is refused by it, with its own allowance untouched,
    // and neither b's refusals nor a's own charge the service.
    for (int i = 0; i < 5; ++i) {
        const Admission refused = limit.admit(b, start);
        EXPECT_EQ(refused.level, LimitLevel::network);
        EXPECT_EQ(refused.wait, seconds(20)); // the network refills one in 60 / 3 s
        EXPECT_EQ(limit.admit(a, start).level, LimitLevel::client);
    }
    EXPECT_EQ(limit.admit(elsewhere, start).wait, seconds(0)) << "the service's fourth";
    EXPECT_EQ(limit.admit(ip("203.0.113.2"), start).level, LimitLevel::service);
    // 20 s on, the network has one more, and b takes it: had any refusal been charged to b,
    // its network or the service, b would wait far longer.
    EXPECT_EQ(limit.admit(b, start + seconds(20)).wait, seconds(0));
}

// The attack a table forgetting the client seen longest ago let through: one address more
// than the table holds, in turn, each coming back with a whole allowance. Only whole
// allowances may be dropped now, and the newcomers that find no room share one client's.
TEST(ResultRateLimit, RotatingMoreAddressesThanTheTableHoldsEarnsOneClientsAllowanceMore) {
    constexpr int tracked = 50;
    ResultRateLimit limit(allowances(1, 1000000, 1000000, tracked));
    const Clock::time_point start{};
    // One request a millisecond from 51 addresses in turn, for 90 s: each minute, the 50
    // tracked addresses and one newcomer through the shared allowance.
    int admitted = 0;
    for (int ms = 0; ms < 90000; ++ms) {
        admitted +=
            limit.admit(lone_client(ms % (tracked + 1)), start + std::chrono::milliseconds(ms))
                        .wait == seconds(0)
                ? 1
                : 0;
        if (ms == 29999) {
            EXPECT_EQ(admitted, tracked + 1) << "in the first 30 s";
        }
    }
    EXPECT_EQ(admitted, 2 * (tracked + 1)) << "in 90 s: the allowances refilled once";
    EXPECT_EQ(limit.tracked_clients(), size_t(tracked));
    EXPECT_EQ(limit.tracked_networks(), size_t(tracked));
}

TEST(ResultRateLimit, AFullTableDropsOnlyAllowancesWholeAgain) {
    ResultRateLimit limit(allowances(2, 1000000, 1000000, 3)); // one result refills in 30 s
    const Clock::time_point start{};
    EXPECT_EQ(taken(limit, 3, lone_client, start), 3);
    // Client 0 has spent both of its two; 1 and 2 one each.
    EXPECT_EQ(limit.admit(lone_client(0), start).wait, seconds(0));
    // No room: 3 and 4 share one allowance of two.
    EXPECT_EQ(limit.admit(lone_client(3), start).wait, seconds(0));
    EXPECT_EQ(limit.admit(lone_client(4), start).wait, seconds(0));
    EXPECT_EQ(limit.admit(lone_client(3), start).wait, seconds(30));
    // 30 s on, 1 and 2 are whole again and make room; 0 is not, and is still remembered.
    const Clock::time_point later = start + seconds(30);
    EXPECT_EQ(limit.admit(lone_client(3), later).wait, seconds(0));
    EXPECT_EQ(limit.admit(lone_client(4), later).wait, seconds(0));
    EXPECT_EQ(limit.admit(lone_client(5), later).wait, seconds(0)) << "the shared allowance";
    EXPECT_EQ(limit.admit(lone_client(6), later).wait, seconds(30));
    EXPECT_EQ(limit.admit(lone_client(0), later).wait, seconds(0));
    EXPECT_EQ(limit.admit(lone_client(0), later).wait, seconds(30));
    EXPECT_EQ(limit.tracked_clients(), 3u);
}

TEST(ResultRateLimit, ACrowdOfAddressesNeverGrowsTheTables) {
    ResultRateLimit limit(allowances(30, 1000000, 1000000, 1000));
    Clock::time_point now{};
    for (int n = 0; n < 100000; ++n) {
        // A minute apart for each thousand, so that room is made all along.
        now += n % 1000 == 0 ? seconds(60) : Clock::duration::zero();
        ASSERT_EQ(limit.admit(lone_client(n), now).wait, seconds(0)) << n;
    }
    EXPECT_EQ(limit.tracked_clients(), 1000u);
    EXPECT_EQ(limit.tracked_networks(), 1000u);
}

} // namespace
