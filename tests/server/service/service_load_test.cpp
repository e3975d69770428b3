// Many clients at once lose nothing; a service killed while it writes keeps every result it
// acknowledged and starts again on the same file.
#include "tests/server/result_links.h"
#include "tests/server/service_fixture.h"
#include "tests/server/stored_rows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// Every client here sends results from 127.0.0.1, far more than one player's allowance.
struct ManyResults : ServiceTest {
    ManyResults() {
        options = {"--results-per-minute=1000000", "--network-results-per-minute=1000000",
                   "--service-results-per-minute=1000000"};
    }
};
using Concurrency = ManyResults;
using Durability = ManyResults;

// A distinct valid link for each (client, n): the nickname tells them apart.
std::string link_of(int client, int n) {
    return typical_query("c" + std::to_string(client) + "n" + std::to_string(n), 100 + n);
}

TEST_F(Concurrency, ManyClientsAtOnceLoseNothing) {
    constexpr int clients = 16;
    constexpr int per_client = 20;
    const std::string shared = typical_query("everyone", 99);
    std::atomic<int> stored{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&, client] {
            httplib::Client connection = service->client(); // one kept-alive connection
            for (int n = 0; n < per_client; ++n) {
                const std::string path =
                    result_path(n == per_client / 2 ? shared : link_of(client, n));
                const httplib::Result result = connection.Get(path);
                (result && result->status == 200 ? stored : failed) += 1;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(stored.load(), clients * per_client);
    // Every distinct link once, and the link all of them sent once.
    EXPECT_EQ(stored_count(db), clients * (per_client - 1) + 1);
    const Answer records = get("/records");
    EXPECT_NE(records.body.find(utf8_text(u8"Результатов: ") +
                                std::to_string(clients * (per_client - 1) + 1)),
              std::string::npos);
    for (int client = 0; client < clients; ++client) {
        EXPECT_EQ(stored_row(db, link_of(client, 0))["nickname"],
                  "c" + std::to_string(client) + "n0");
    }
}

TEST_F(Durability, AKilledServiceKeepsEveryAcknowledgedResultAndStartsAgainOnTheSameFile) {
    constexpr int clients = 4;
    std::mutex acknowledged_mutex;
    std::vector<std::string> acknowledged;
    std::atomic<bool> killed{false};
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&, client] {
            httplib::Client connection = service->client();
            for (int n = 0; !killed && n < 100000; ++n) {
                const std::string query = link_of(client, n);
                const httplib::Result result = connection.Get(result_path(query));
                if (result && result->status == 200) {
                    const std::lock_guard lock(acknowledged_mutex);
                    acknowledged.push_back(query);
                }
            }
        });
    }
    // Kill it in the middle of writing, once a good number of results have been answered.
    for (int waited = 0; waited < 600; ++waited) {
        {
            const std::lock_guard lock(acknowledged_mutex);
            if (acknowledged.size() >= 200) {
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
    ASSERT_GE(acknowledged.size(), 200u);

    for (const std::string& query : acknowledged) {
        EXPECT_FALSE(stored_row(db, query).empty()) << "an acknowledged result was lost";
    }
    const int64_t rows = stored_count(db);
    EXPECT_GE(rows, int64_t(acknowledged.size()));
    EXPECT_LE(rows, int64_t(acknowledged.size()) + clients) << "at most one unanswered each";

    start();
    ASSERT_TRUE(service->started()) << "the service starts again on the killed file";
    EXPECT_EQ(get(result_path(acknowledged.front())).status, 200);
    EXPECT_EQ(stored_count(db), rows) << "an acknowledged link is not stored twice";
    EXPECT_EQ(get(result_path(typical_query("after", 500))).status, 200);
    EXPECT_EQ(stored_count(db), rows + 1);
    EXPECT_EQ(service->stop(), 0);
}

} // namespace
