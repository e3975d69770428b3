// Services on a PostgreSQL database: two sharing one, as behind a front server that spreads
// clients over them (every link stored once whichever service gets it, no answered result
// lost, the same records from both, each seeing the other's results), and one killed while it
// writes, which loses no result it answered; and a database that stops answering, which
// results meet as a 503 to send again and the operator as two lines.
#include "server/store/postgres/postgres_handles.h"
#include "tests/server/result_links.h"
#include "tests/support/postgres_cluster.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

namespace {

std::set<std::string> stored_links(const std::string& uri) {
    PostgresConnection connection(uri, std::chrono::seconds(30));
    const PostgresResult rows = connection.run("SELECT link_key FROM results");
    std::set<std::string> links;
    for (int i = 0; i < rows.rows(); ++i) {
        links.insert(rows.text(i, 0));
    }
    return links;
}

TEST(SeveralServices, ShareOneDatabaseStoringEachLinkOnceAndShowingTheSameRecords) {
    const std::string uri = new_postgres_database();
    ASSERT_FALSE(uri.empty());
    // The tests' server trusts its local users and ignores a password; the first line must
    // not show it all the same.
    std::string with_password = uri;
    with_password.replace(with_password.find("trivelle@"), 9, "trivelle:sekret@");
    // Every client sends from 127.0.0.1: far beyond one player's allowance.
    const std::vector<std::string> options = {"--db-connections=3", "--results-per-minute=1000000",
                                              "--network-results-per-minute=1000000",
                                              "--service-results-per-minute=1000000"};
    const ServiceProcess services[] = {{TRIVELLE_RESULTS_SERVICE, with_password, options},
                                       {TRIVELLE_RESULTS_SERVICE, uri, options}};
    ASSERT_TRUE(services[0].started() && services[1].started());
    EXPECT_EQ(services[0].listening_line().find("sekret"), std::string::npos);
    EXPECT_NE(services[0].listening_line().find("trivelle:***@"), std::string::npos)
        << services[0].listening_line();
    // Each caches its records page now, so that a stale one would show below.
    for (const ServiceProcess& service : services) {
        ASSERT_EQ(get(service, "/records").status, 200);
    }

    // Each client sends to both services in turn; every fifth link is one all clients send,
    // so the same link reaches both services at once.
    constexpr int clients = 12;
    constexpr int per_client = 20;
    std::mutex answered_mutex;
    std::set<std::string> answered;
    std::set<std::string> sent;
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&, client] {
            httplib::Client connections[] = {services[0].client(), services[1].client()};
            for (int n = 0; n < per_client; ++n) {
                const std::string query =
                    n % 5 == 0
                        ? typical_query("everyone" + std::to_string(n), 100 + n)
                        : typical_query("c" + std::to_string(client) + "n" + std::to_string(n),
                                        100 + n);
                const httplib::Result result =
                    connections[(client + n) % 2].Get(result_path(query));
                const std::lock_guard lock(answered_mutex);
                sent.insert(query);
                if (result && result->status == 200) {
                    answered.insert(query);
                } else {
                    ++refused;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(refused.load(), 0);
    const std::set<std::string> stored = stored_links(uri);
    EXPECT_EQ(stored.size(), sent.size()) << "each link once";
    for (const std::string& query : answered) {
        EXPECT_TRUE(stored.contains(query)) << "an answered result was lost";
    }

    const std::string count_line = utf8_text(u8"Результатов: ") + std::to_string(stored.size());
    const Answer first = get(services[0], "/records");
    const Answer second = get(services[1], "/records");
    EXPECT_NE(first.body.find(count_line), std::string::npos);
    EXPECT_EQ(first.body, second.body);
    // One more through the first is on the second's page at once.
    ASSERT_EQ(get(services[0], result_path(typical_query("latest", 61))).status, 200);
    EXPECT_NE(get(services[1], "/records").body.find("latest"), std::string::npos);
}

TEST(SeveralServices, AServiceKilledWhileItWritesLosesNoAnsweredResult) {
    const std::string uri = new_postgres_database();
    ASSERT_FALSE(uri.empty());
    // Every client sends from 127.0.0.1: far beyond one player's allowance.
    const std::vector<std::string> many_results = {"--results-per-minute=1000000",
                                                   "--network-results-per-minute=1000000",
                                                   "--service-results-per-minute=1000000"};
    auto service = std::make_unique<ServiceProcess>(TRIVELLE_RESULTS_SERVICE, uri, many_results);
    ASSERT_TRUE(service->started());
    constexpr int clients = 4;
    std::mutex answered_mutex;
    std::vector<std::string> answered;
    std::atomic<bool> killed{false};
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&, client] {
            httplib::Client connection = service->client();
            for (int n = 0; !killed && n < 100000; ++n) {
                const std::string query =
                    typical_query("k" + std::to_string(client) + "n" + std::to_string(n), 100 + n);
                const httplib::Result result = connection.Get(result_path(query));
                if (result && result->status == 200) {
                    const std::lock_guard lock(answered_mutex);
                    answered.push_back(query);
                }
            }
        });
    }
    // Killed in the middle of writing, once a good number of results have been answered.
    for (int waited = 0; waited < 600; ++waited) {
        {
            const std::lock_guard lock(answered_mutex);
            if (answered.size() >= 200) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    service->kill();
    killed = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_GE(answered.size(), 200u);
    const std::set<std::string> stored = stored_links(uri);
    for (const std::string& query : answered) {
        EXPECT_TRUE(stored.contains(query)) << "an answered result was lost";
    }
    EXPECT_LE(stored.size(), answered.size() + clients) << "at most one unanswered each";

    service = std::make_unique<ServiceProcess>(TRIVELLE_RESULTS_SERVICE, uri);
    ASSERT_TRUE(service->started()) << "a new service starts on the same database";
    EXPECT_EQ(get(*service, result_path(answered.front())).status, 200);
    EXPECT_EQ(stored_links(uri).size(), stored.size()) << "an answered link is not stored twice";
}

TEST(ServiceOnPostgres, ADatabaseOutOfReachIsAnswered503AndToldOnceAsItBeginsAndEnds) {
    const std::string uri = new_postgres_database();
    ASSERT_FALSE(uri.empty());
    TemporaryFolder folder;
    const std::string errors = folder.path("errors.txt");
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, uri, {"--db-timeout=500"}, StartWait::for_port,
                           "", errors);
    ASSERT_TRUE(service.started());
    ASSERT_EQ(get(service, result_path(typical_query("before", 100))).status, 200);
    constexpr int refused = 3;
    {
        const PausedPostgresServer paused;
        ASSERT_TRUE(paused.paused());
        for (int n = 0; n < refused; ++n) {
            const Answer answer =
                get(service, result_path(typical_query("during" + std::to_string(n), 90)));
            EXPECT_EQ(answer.status, 503);
            EXPECT_EQ(answer.header("Retry-After"), "10");
        }
    }
    EXPECT_EQ(get(service, result_path(typical_query("after", 80))).status, 200);
    EXPECT_EQ(service.stop(), 0);

    std::ifstream file(errors);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 2u) << "one as it began, one as it ended, none for each result";
    EXPECT_TRUE(lines[0].starts_with("trivelle-results: results cannot be stored, and are "
                                     "answered 503 until the database takes them again: "))
        << lines[0];
    EXPECT_TRUE(lines[1].starts_with("trivelle-results: results are stored again after "))
        << lines[1];
    EXPECT_TRUE(lines[1].ends_with(" s; 3 results were refused meanwhile")) << lines[1];
    EXPECT_EQ(stored_links(uri).size(), 2u) << "before and after";
}

} // namespace
