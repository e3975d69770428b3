// The real service's per-client bounds on loopback: results beyond a client's allowance are
// refused with nothing stored while its pages and other clients are served; a forwarding
// header counts only from a trusted front server, whose clients then have their own
// allowances and connection bounds; rotating addresses, within a network or across the
// table's size, earns nothing more.
#include "tests/server/raw_client.h"
#include "tests/server/result_links.h"
#include "tests/server/stored_rows.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

const char* const attacker = "127.0.0.2";
const char* const front_server = "127.0.0.7";

std::string request(const std::string& method, const std::string& path,
                    const std::string& headers = "") {
    return method + " " + path + " HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n";
}

// A header's value in a raw answer; empty when it was not sent.
std::string header_of(const std::string& answer, const std::string& name) {
    const std::string field = "\r\n" + name + ": ";
    const size_t at = answer.find(field);
    if (at == std::string::npos) {
        return "";
    }
    const size_t value = at + field.size();
    return answer.substr(value, answer.find("\r\n", value) - value);
}

struct ClientLimits : testing::Test {
    TemporaryFolder folder;
    std::string db = folder.path("results.sqlite");
    std::unique_ptr<ServiceProcess> service;

    void start(const std::vector<std::string>& options) {
        service = std::make_unique<ServiceProcess>(TRIVELLE_RESULTS_SERVICE, db, options);
        ASSERT_TRUE(service->started()) << "the service did not say which port it took";
    }
    // One request on a kept-alive raw connection, and its whole answer.
    static std::string ask(RawClient& client, const std::string& text) {
        client.send(text);
        return client.answer(10s);
    }
};

TEST_F(ClientLimits, ResultsBeyondTheAllowanceAreRefusedUnstoredWhilePagesAndOthersAreServed) {
    ASSERT_NO_FATAL_FAILURE(start({"--results-per-minute=3"}));
    RawClient client(attacker, service->port());
    ASSERT_TRUE(client.connected());
    for (int i = 0; i < 3; ++i) {
        const std::string answer =
            ask(client, request("GET", result_path(typical_query("a" + std::to_string(i), 200))));
        EXPECT_EQ(status_of(answer), 200) << "result " << i;
    }
    // A forged forwarding header from a client that is no trusted front server changes
    // nothing: each of these is the same client's fourth result.
    const std::string forgeries[] = {"", "X-Forwarded-For: 203.0.113.1\r\n",
                                     "X-Real-IP: 203.0.113.2\r\n",
                                     "X-Forwarded-For: 127.0.0.1\r\nX-Real-IP: 127.0.0.1\r\n"};
    int n = 0;
    for (const std::string& forged : forgeries) {
        const std::string query = typical_query("over" + std::to_string(n++), 200);
        const std::string answer = ask(client, request("GET", result_path(query), forged));
        EXPECT_EQ(status_of(answer), 429) << forged;
        const int retry_after = std::atoi(header_of(answer, "Retry-After").c_str());
        EXPECT_TRUE(retry_after >= 1 && retry_after <= 20) << header_of(answer, "Retry-After");
        EXPECT_EQ(header_of(answer, "Cache-Control"), "no-store");
        EXPECT_NE(body_of(answer).find("429"), std::string::npos);
        EXPECT_TRUE(stored_row(db, query).empty()) << forged;
    }
    // Checking a link and asking for pages are not limited.
    EXPECT_EQ(status_of(ask(client, request("HEAD", result_path(typical_query("h", 200))))), 200);
    for (int i = 0; i < 20; ++i) {
        for (const char* page : {"/", "/records", "/rules.html"}) {
            ASSERT_EQ(status_of(ask(client, request("GET", page))), 200) << page;
        }
    }
    const std::string other_query = typical_query("someone else", 210);
    EXPECT_EQ(get(*service, result_path(other_query)).status, 200) << "another client";
    EXPECT_FALSE(stored_row(db, other_query).empty());
    EXPECT_EQ(stored_count(db), 4);
}

TEST_F(ClientLimits, BehindATrustedFrontServerEachClientItNamesHasItsOwnAllowance) {
    ASSERT_NO_FATAL_FAILURE(start(
        {"--results-per-minute=1", std::string("--trusted-proxy=") + "127.0.0.9," + front_server}));
    RawClient proxy(front_server, service->port());
    ASSERT_TRUE(proxy.connected());
    struct Sent {
        const char* headers;
        int status;
    };
    const Sent sent[] = {
        // The rightmost entry is the one the front server added; the rest came from the client.
        {"X-Forwarded-For: 198.51.100.1, 203.0.113.1\r\n", 200},
        {"X-Forwarded-For: 203.0.113.1\r\n", 429},
        {"X-Forwarded-For: 203.0.113.1, 198.51.100.1\r\n", 200},
        {"X-Real-IP: 203.0.113.2\r\n", 200},
        {"X-Real-IP: 203.0.113.2\r\n", 429},
        // One IPv6 host's addresses share one allowance: they are counted by /64.
        {"X-Forwarded-For: 2001:db8:5:6::1\r\n", 200},
        {"X-Forwarded-For: 2001:db8:5:6:aaaa::99\r\n", 429},
        {"X-Forwarded-For: 2001:db8:5:7::1\r\n", 200},
        // An entry with a port is its address; one that cannot be read is a client of its
        // own, neither the front server nor any other.
        {"X-Forwarded-For: 203.0.113.3:4444\r\n", 200},
        {"X-Forwarded-For: [2001:db8:5:8::1]:443, 203.0.113.3:5555\r\n", 429},
        {"X-Forwarded-For: unknown\r\n", 200},
        {"X-Forwarded-For: 203.0.113.4:http\r\n", 429},
        // Without a header, the front server itself.
        {"", 200},
        {"", 429},
    };
    int n = 0;
    for (const Sent& s : sent) {
        const std::string query = typical_query("p" + std::to_string(n++), 200);
        EXPECT_EQ(status_of(ask(proxy, request("GET", result_path(query), s.headers))), s.status)
            << s.headers;
        EXPECT_EQ(stored_row(db, query).empty(), s.status != 200) << s.headers;
    }
}

// A front server holds connections for many clients, so only its clients are bounded one by
// one: here each of three requests from one client waits for a locked file, and the third
// finds the client's two places taken.
TEST_F(ClientLimits, BehindATrustedFrontServerTheConnectionBoundIsEachClients) {
    ASSERT_NO_FATAL_FAILURE(start({"--max-connections-per-address=2", "--lock-wait=3000",
                                   std::string("--trusted-proxy=") + front_server}));
    std::vector<std::unique_ptr<RawClient>> connections;
    for (int i = 0; i < 5; ++i) {
        connections.push_back(std::make_unique<RawClient>(front_server, service->port()));
        ASSERT_TRUE(connections.back()->connected());
    }
    EXPECT_EQ(connections[4]->receive(300ms), "") << "the front server's fifth connection";

    SqliteConnection other(db);
    other.execute("BEGIN IMMEDIATE");
    const std::string held = "X-Forwarded-For: 203.0.113.5\r\n";
    for (int i = 0; i < 2; ++i) {
        connections[size_t(i)]->send(
            request("GET", result_path(typical_query("held" + std::to_string(i), 200)), held));
    }
    std::this_thread::sleep_for(300ms); // both are waiting for the lock
    const std::string third_query = typical_query("third", 200);
    const std::string third = ask(*connections[2], request("GET", result_path(third_query), held));
    EXPECT_EQ(status_of(third), 503) << "a third request from the same client";
    const std::string elsewhere =
        ask(*connections[3], request("GET", "/records", "X-Forwarded-For: 203.0.113.6\r\n"));
    EXPECT_EQ(status_of(elsewhere), 200) << "another client behind the same front server";
    other.execute("ROLLBACK");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(status_of(connections[size_t(i)]->answer(10s)), 200) << "held request " << i;
    }
    EXPECT_TRUE(stored_row(db, third_query).empty());
    // Its places given back, the client is served again, on the same connection.
    EXPECT_EQ(status_of(ask(*connections[2], request("GET", "/", held))), 200);
}

// Rotating addresses behind a trusted front server earns no more than the limits allow: a
// full table forgets only a client whose allowance is whole again, the newcomers that find no
// room share one client's allowance, and a network's clients and all clients together have
// limits of their own. Each case sends 120 results well within a minute.
TEST_F(ClientLimits, RotatingAddressesEarnsNoMoreThanTheLimitsAllow) {
    struct Case {
        const char* what;
        std::vector<std::string> options;
        std::string (*from)(int n); // the client the front server names for the nth result
        int stored;
    };
    const Case cases[] = {
        {"one address more than the table holds",
         {"--results-per-minute=1", "--max-tracked-addresses=50"},
         [](int n) { return "10.0." + std::to_string(n % 51) + ".1"; },
         51},
        {"one IPv6 /48, a new /64 each time",
         {"--network-results-per-minute=5"},
         [](int n) { return "2001:db8:7:" + std::to_string(n) + "::1"; },
         5},
        {"a new network each time",
         {"--service-results-per-minute=7"},
         [](int n) { return "10." + std::to_string(n) + ".0.1"; },
         7},
    };
    int run = 0;
    for (const Case& c : cases) {
        db = folder.path("results" + std::to_string(run++) + ".sqlite");
        std::vector<std::string> options = c.options;
        options.push_back(std::string("--trusted-proxy=") + front_server);
        ASSERT_NO_FATAL_FAILURE(start(options));
        RawClient proxy(front_server, service->port());
        ASSERT_TRUE(proxy.connected());
        int answered = 0;
        for (int n = 0; n < 120; ++n) {
            const std::string query = typical_query("r" + std::to_string(n), 200);
            const int status =
                status_of(ask(proxy, request("GET", result_path(query),
                                             "X-Forwarded-For: " + c.from(n) + "\r\n")));
            ASSERT_TRUE(status == 200 || status == 429) << c.what << ": " << status;
            answered += status == 200 ? 1 : 0;
        }
        EXPECT_EQ(answered, c.stored) << c.what;
        EXPECT_EQ(stored_count(db), c.stored) << c.what;
    }
}

} // namespace
