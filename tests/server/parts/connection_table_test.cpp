// The connection table on its own: which connection makes room for a newcomer, and when a
// newcomer is refused, step by step against bounds small enough to reach.
#include "server/http/connection_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

enum class Do { open, busy, idle, end, request };

struct Step {
    Do what;
    const char* name;
    const char* address; // for open and request
    // open and request: "refused", or the names closed to make room ("-" for none), in order;
    // busy: "served" or "closed".
    const char* expected;
};

struct Scenario {
    const char* what;
    std::vector<Step> steps;
};

// Three connections in all, two a client, two a network (10.0.N.0/24).
const ConnectionBounds bounds{3, 2, 2};

void run(const Scenario& scenario) {
    ConnectionTable table(bounds);
    std::map<std::string, std::optional<ConnectionTable::Place>> places;
    std::string closed;
    for (const Step& step : scenario.steps) {
        const std::string where = std::string(scenario.what) + ", " + step.name;
        const auto address = boost::asio::ip::make_address(step.address ? step.address : "::");
        switch (step.what) {
        case Do::open:
        case Do::request: {
            closed.clear();
            std::optional<ConnectionTable::Place> place =
                step.what == Do::open
                    ? table.admit_connection(client_key(address), network_key(address),
                                             [&closed, name = std::string(step.name)] {
                                                 closed += (closed.empty() ? "" : " ") + name;
                                             })
                    : table.admit_request(client_key(address), network_key(address));
            const std::string got = !place ? "refused" : closed.empty() ? "-" : closed;
            EXPECT_EQ(got, step.expected) << where;
            if (place) {
                places.emplace(step.name, std::move(place));
            }
            break;
        }
        case Do::busy:
            EXPECT_EQ(places.at(step.name)->busy() ? "served" : "closed",
                      std::string(step.expected))
                << where;
            break;
        case Do::idle:
            places.at(step.name)->idle();
            break;
        case Do::end:
            places.erase(step.name);
            break;
        }
    }
}

TEST(ConnectionTable, ANewcomerWithoutRoomClosesTheConnectionIdleLongestWithinTheBound) {
    const Scenario scenarios[] = {
        {"a client over its bound closes its own connection idle longest",
         {{Do::open, "a1", "10.0.0.1", "-"},
          {Do::open, "a2", "10.0.0.1", "-"},
          // a1 served a request, so it fell idle after a2
          {Do::busy, "a1", nullptr, "served"},
          {Do::idle, "a1", nullptr, nullptr},
          {Do::open, "a3", "10.0.0.1", "a2"},
          {Do::busy, "a2", nullptr, "closed"},
          {Do::busy, "a1", nullptr, "served"},
          {Do::open, "a4", "10.0.0.1", "a3"}}},
        {"a network over its bound closes the idle longest of any of its clients",
         {{Do::open, "a1", "10.0.0.1", "-"},
          {Do::open, "b1", "10.0.0.2", "-"},
          {Do::open, "c1", "10.0.0.3", "a1"},
          {Do::open, "d1", "10.0.1.1", "-"}}},
        {"the total over its bound closes the idle longest of anyone",
         {{Do::open, "a1", "10.0.0.1", "-"},
          {Do::open, "b1", "10.0.1.1", "-"},
          {Do::open, "c1", "10.0.2.1", "-"},
          {Do::busy, "a1", nullptr, "served"},
          {Do::open, "d1", "10.0.3.1", "b1"},
          {Do::open, "e1", "2001:db8::1", "c1"}}},
        {"a place given back leaves room without closing anyone",
         {{Do::open, "a1", "10.0.0.1", "-"},
          {Do::open, "a2", "10.0.0.1", "-"},
          {Do::end, "a1", nullptr, nullptr},
          {Do::open, "a3", "10.0.0.1", "-"},
          // a2 is closed for a4 and then ends: counted once, not twice
          {Do::open, "a4", "10.0.0.1", "a2"},
          {Do::end, "a2", nullptr, nullptr},
          {Do::open, "a5", "10.0.0.1", "a3"}}},
    };
    for (const Scenario& scenario : scenarios) {
        run(scenario);
    }
}

TEST(ConnectionTable, BusyConnectionsAreNeverClosedForANewcomerWhoIsThenRefused) {
    const Scenario scenarios[] = {
        {"a client whose connections are all busy",
         {{Do::open, "a1", "10.0.0.1", "-"},
          {Do::open, "a2", "10.0.0.1", "-"},
          {Do::busy, "a1", nullptr, "served"},
          {Do::busy, "a2", nullptr, "served"},
          {Do::open, "a3", "10.0.0.1", "refused"},
          {Do::open, "b1", "10.0.0.2", "refused"},
          {Do::open, "c1", "10.0.1.1", "-"},
          // a busy connection back to waiting is idle again, and makes room
          {Do::idle, "a2", nullptr, nullptr},
          {Do::open, "a4", "10.0.0.1", "a2"}}},
        {"a full total whose idle connection is the only one left",
         {{Do::open, "a1", "10.0.0.1", "-"},
          {Do::open, "b1", "10.0.1.1", "-"},
          {Do::open, "c1", "10.0.2.1", "-"},
          {Do::busy, "a1", nullptr, "served"},
          {Do::busy, "b1", nullptr, "served"},
          {Do::open, "d1", "10.0.3.1", "c1"},
          {Do::busy, "d1", nullptr, "served"},
          {Do::open, "e1", "10.0.4.1", "refused"}}},
    };
    for (const Scenario& scenario : scenarios) {
        run(scenario);
    }
}

TEST(ConnectionTable, RequestsFromBehindAFrontServerCountPerClientAndNetworkOnly) {
    run({"requests",
         {{Do::request, "a1", "10.0.0.1", "-"},
          {Do::request, "a2", "10.0.0.1", "-"},
          {Do::request, "a3", "10.0.0.1", "refused"},
          {Do::request, "b1", "10.0.0.2", "refused"},
          {Do::end, "a1", nullptr, nullptr},
          {Do::request, "b2", "10.0.0.2", "-"},
          // not in the total: more requests than the total's three, from other networks
          {Do::request, "c1", "10.0.1.1", "-"},
          {Do::request, "d1", "10.0.2.1", "-"},
          {Do::open, "e1", "10.0.3.1", "-"}}});
}

} // namespace
