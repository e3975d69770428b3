// The real service's connection bounds on loopback: a crowd spread over sixteen IPv4 /24s, or
// over one IPv6 /48, holds all that the bounds let it while an ordinary client on 127.0.0.1 is
// still answered; a newcomer without room has the connection idle longest closed, and is
// refused only when every connection there is busy. Each crowd is bounded in count and rounds.
#include "tests/server/held_connections.h"
#include "tests/server/process_memory.h"
#include "tests/server/result_links.h"
#include "tests/server/stored_rows.h"
#include "tests/support/command_run.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

// How long the ordinary client waits for each answer: far beyond what an answer takes.
constexpr std::chrono::seconds ordinary_patience{5};

// Rounds of a crowd's HEADs, within the service's idle time (5 s) of each other so that its
// kept connections stay open; how long each may take, and how long the service is given to
// close what it closes before the crowd counts what it holds.
constexpr int rounds = 4;
constexpr std::chrono::seconds between_rounds{1};
constexpr std::chrono::seconds round_patience{10};
constexpr std::chrono::seconds settle{1};

// Addresses added to the loopback interface for the test, and removed after it.
class AddedAddresses {
  public:
    explicit AddedAddresses(std::vector<std::string> addresses) : addresses_(std::move(addresses)) {
        const CommandRun added = batch("add");
        added_ = added.exit_code == 0;
        error_ = added.output;
    }
    ~AddedAddresses() { batch("del"); }
    AddedAddresses(const AddedAddresses&) = delete;
    AddedAddresses& operator=(const AddedAddresses&) = delete;

    bool added() const { return added_; }
    const std::string& error() const { return error_; }

  private:
    CommandRun batch(const char* what) const {
        const std::string commands = testing::TempDir() + "ipv6-" + std::to_string(getpid());
        {
            std::ofstream file(commands);
            for (const std::string& address : addresses_) {
                file << "addr " << what << " " << address << "/128 dev lo nodad\n";
            }
        }
        CommandRun run = run_command("ip -6 -force -batch '" + commands + "' 2>&1");
        std::remove(commands.c_str());
        return run;
    }

    std::vector<std::string> addresses_;
    bool added_ = false;
    std::string error_;
};

struct ConnectionSlots : testing::Test {
    TemporaryFolder folder;
    std::string db = folder.path("results.sqlite");
    std::unique_ptr<ServiceProcess> service;
    int ordinary_answers = 0;
    double slowest_ordinary_ms = 0;

    void start(const std::vector<std::string>& options = {}) {
        service = std::make_unique<ServiceProcess>(TRIVELLE_RESULTS_SERVICE, db, options);
        ASSERT_TRUE(service->started()) << "the service did not say which port it took";
    }

    Answer ordinary_get(const std::string& path) {
        const Clock::time_point began = Clock::now();
        Answer answer = get(*service, path, ordinary_patience);
        slowest_ordinary_ms =
            std::max(slowest_ordinary_ms,
                     std::chrono::duration<double, std::milli>(Clock::now() - began).count());
        return answer;
    }

    // An ordinary visitor: the home page and a new result, both answered, the result stored.
    void ordinary_client_is_answered(const std::string& during) {
        EXPECT_EQ(ordinary_get("/").status, 200) << "the home page, " << during;
        const std::string query = typical_query("ordinary" + std::to_string(ordinary_answers), 200);
        EXPECT_EQ(ordinary_get(result_path(query)).status, 200) << "a result, " << during;
        EXPECT_FALSE(stored_row(db, query).empty()) << during;
        ++ordinary_answers;
    }

    // The crowd's rounds, the ordinary client asking between them.
    void hold_and_ask(HeldConnections& crowd, const std::string& what) {
        for (int round = 0; round < rounds; ++round) {
            crowd.round(round_patience, settle);
            ordinary_client_is_answered(what + ", round " + std::to_string(round));
            std::this_thread::sleep_for(between_rounds);
        }
        const ResidentMemory memory = resident_memory(service->pid());
        std::printf("%s: at most %d held, %d refused, %d closed and opened again; the ordinary "
                    "client's slowest answer %.1f ms; the service's peak %ld KiB\n",
                    what.c_str(), crowd.most_held(), crowd.refused(), crowd.reopened(),
                    slowest_ordinary_ms, memory.peak_kib);
    }
};

// Each of the 256 addresses keeps four connections and one that never sends a byte: more than
// the default bounds of an address's network let it hold.
TEST_F(ConnectionSlots, SixteenIPv4NetworksHoldingAllTheyMayLeaveAnOrdinaryClientAnswered) {
    ASSERT_NO_FATAL_FAILURE(start());
    HeldConnections crowd(loopback_crowd(16, 16), service->port(), 4, 1);
    hold_and_ask(crowd, "256 addresses in 16 /24s");
    EXPECT_GT(crowd.most_held(), 0);
    EXPECT_LT(crowd.most_held(), 256 * 5) << "no bound held the crowd back";
}

TEST_F(ConnectionSlots, OneIPv6NetworkHoldingAllItMayLeavesAnOrdinaryClientAnswered) {
    // One /48 of the documentation prefix, its third group this process's own, so that two
    // runs at once do not share it; each address in a /64 of its own, a client of its own.
    char network[32];
    std::snprintf(network, sizeof network, "2001:db8:%x", 1 + unsigned(getpid()) % 0xfffe);
    std::vector<std::string> addresses;
    for (int n = 0; n < 256; ++n) {
        char address[64];
        std::snprintf(address, sizeof address, "%s:%x::1", network, n);
        addresses.push_back(address);
    }
    const AddedAddresses added(addresses);
    if (!added.added()) {
        GTEST_SKIP() << "cannot add IPv6 addresses to the loopback interface (it takes root): "
                     << added.error();
    }
    ASSERT_NO_FATAL_FAILURE(start({"--address=::"}));
    HeldConnections crowd(addresses, service->port(), 4, 1);
    hold_and_ask(crowd, std::string("256 /64s in ") + network + "::/48");
    EXPECT_GT(crowd.most_held(), 0);
    EXPECT_LT(crowd.most_held(), 256 * 5) << "no bound held the crowd back";
}

// Here the crowd's networks may hold more than the whole: only closing idle connections lets
// anyone else in.
TEST_F(ConnectionSlots, AFullServiceClosesTheConnectionsIdleLongestForNewcomers) {
    ASSERT_NO_FATAL_FAILURE(start({"--max-connections=64", "--max-connections-per-network=16",
                                   "--max-connections-per-address=4"}));
    HeldConnections crowd(loopback_crowd(16, 4), service->port(), 4, 1);
    hold_and_ask(crowd, "64 addresses in 16 /24s, 64 connections in all");
    EXPECT_LE(crowd.most_held(), 64);
    EXPECT_GT(crowd.reopened(), 0) << "the crowd's connections were never closed for others";
}

TEST_F(ConnectionSlots, AClientOrNetworkOverItsBoundClosesItsOwnConnectionIdleLongest) {
    // Idle long enough that only making room closes anything here.
    ASSERT_NO_FATAL_FAILURE(start({"--max-connections-per-address=2",
                                   "--max-connections-per-network=3", "--idle-timeout=60"}));
    // The order in which connections fall idle is the order of the answers only once the
    // service has seen each answer out, which the client cannot see: it is given a moment.
    const auto asked = [](RawClient& client) {
        client.send("GET /rules HTTP/1.1\r\nHost: x\r\n\r\n");
        const int status = status_of(client.answer(10s));
        std::this_thread::sleep_for(500ms);
        return status;
    };
    RawClient a1("127.1.0.1", service->port());
    RawClient a2("127.1.0.1", service->port());
    ASSERT_EQ(asked(a1), 200);
    ASSERT_EQ(asked(a2), 200); // a1 is now the address's connection idle longest
    RawClient a3("127.1.0.1", service->port());
    EXPECT_EQ(asked(a3), 200) << "a third from the address";
    EXPECT_TRUE(a1.closed_within(5s)) << "the address's connection idle longest";
    EXPECT_EQ(asked(a2), 200) << "the address's other connection";

    // a3 is now its network's connection idle longest; b1, new, sends nothing.
    RawClient b1("127.1.0.2", service->port());
    RawClient b2("127.1.0.2", service->port());
    EXPECT_EQ(asked(b2), 200) << "a fourth from the network";
    EXPECT_TRUE(a3.closed_within(5s)) << "the network's connection idle longest";
    RawClient c1("127.1.1.1", service->port());
    EXPECT_EQ(asked(c1), 200) << "another network";
    for (RawClient* open : {&a2, &b1, &b2}) {
        EXPECT_FALSE(open->closed_within(200ms));
    }
    EXPECT_EQ(asked(b1), 200) << "the connection that had sent nothing yet";
}

TEST_F(ConnectionSlots, OnlyWhenEveryConnectionIsBusyIsANewcomerRefused) {
    ASSERT_NO_FATAL_FAILURE(start({"--max-connections=8"}));
    // Eight requests whose headers have not ended: busy, never closed for a newcomer.
    std::vector<std::unique_ptr<RawClient>> busy;
    for (int i = 0; i < 8; ++i) {
        busy.push_back(std::make_unique<RawClient>(("127.1." + std::to_string(i) + ".1").c_str(),
                                                   service->port()));
        ASSERT_TRUE(busy.back()->send("GET /rules HTTP/1.1\r\nHost: x\r\n"));
    }
    std::this_thread::sleep_for(1s); // each one's first bytes have been read
    const Answer refused = ordinary_get("/");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(refused.header("Retry-After"), "1");
    for (auto& client : busy) {
        EXPECT_FALSE(client->closed_within(0ms));
    }
    // One request ends and its connection, kept, waits for the next: idle, so it makes room.
    busy[0]->send("\r\n");
    EXPECT_EQ(status_of(busy[0]->answer(10s)), 200);
    std::this_thread::sleep_for(1s); // the service has seen its answer out
    // One newcomer: the one idle slot is all there is, and the newcomer's own connection
    // stays busy until the service has seen its answer out.
    const std::string query = typical_query("newcomer", 200);
    EXPECT_EQ(ordinary_get(result_path(query)).status, 200) << "a result, once one was idle";
    EXPECT_FALSE(stored_row(db, query).empty());
    EXPECT_TRUE(busy[0]->closed_within(5s)) << "the idle one was closed";
    for (size_t i = 1; i < busy.size(); ++i) {
        EXPECT_FALSE(busy[i]->closed_within(0ms)) << "busy connection " << i;
    }
}

} // namespace
