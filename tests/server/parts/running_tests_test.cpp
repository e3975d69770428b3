// The referee's running tests kept in both stores: admission within the bounds per address and
// in all, also by two services at once; finding, changing with the version a change names, and
// removing the expired ones; a store another program holds answers busy after a bounded wait.
#include "server/open_store.h"
#include "server/store/postgres/postgres_handles.h"
#include "server/store/running_tests.h"
#include "server/store/sqlite/sqlite_handles.h"
#include "tests/server/every_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// A test started at touched_at by address; n makes its id.
RunningTestRecord running(int n, const std::string& address, int64_t touched_at) {
    char id[33];
    std::snprintf(id, sizeof id, "%032x", n);
    return {id, address, 0, "state " + std::to_string(n), touched_at};
}

struct RunningTestsTest : OnEveryStore {
    std::unique_ptr<ResultsStore> open(StoreLimits limits = {}) const {
        return open_results_store(where, limits);
    }
    // The tests stored, expired or not, as an operator would count them.
    int64_t stored_tests(const std::string& condition = "true") const {
        const std::string sql = "SELECT count(*) FROM running_tests WHERE " + condition;
        if (GetParam() == StoreKind::sqlite) {
            SqliteConnection connection(where);
            const SqliteStatement count(connection, sql.c_str());
            SqliteQuery query(count);
            return query.step() ? query.integer(0) : -1;
        }
        return PostgresConnection(where, std::chrono::seconds(10)).run(sql).integer(0, 0);
    }
};

INSTANTIATE_TEST_SUITE_P(BothStores, RunningTestsTest,
                         testing::Values(StoreKind::sqlite, StoreKind::postgres), kind_name);

TEST_P(RunningTestsTest, AdmitsWithinTheBoundsPerAddressAndInAllCountingNoExpiredTest) {
    const auto store = open();
    RunningTests& tests = store->running_tests();
    // At most 2 per address and 3 in all; a test is expired when touched before idle_before.
    struct Step {
        RunningTestRecord test;
        int64_t idle_before;
        TestAdmission expected;
    };
    const Step steps[] = {
        {running(1, "10.0.0.1", 1000), 900, TestAdmission::admitted},
        {running(2, "10.0.0.1", 1010), 900, TestAdmission::admitted},
        {running(3, "10.0.0.1", 1020), 900, TestAdmission::address_full},
        {running(4, "10.0.0.2", 1020), 900, TestAdmission::admitted},
        {running(5, "10.0.0.3", 1030), 900, TestAdmission::service_full},
        // Test 1, touched at 1000, has expired: its address and the service have room again.
        {running(6, "10.0.0.1", 1040), 1001, TestAdmission::admitted},
        {running(7, "10.0.0.3", 1040), 1001, TestAdmission::service_full},
        // Touched at idle_before exactly is not expired: test 2 still counts.
        {running(8, "10.0.0.1", 1050), 1010, TestAdmission::address_full},
        {running(9, "10.0.0.3", 1050), 1011, TestAdmission::admitted},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(tests.add(step.test, 2, 3, step.idle_before), step.expected) << step.test.id;
        EXPECT_EQ(tests.find(step.test.id, 0).has_value(), step.expected == TestAdmission::admitted)
            << step.test.id << ": stored only when admitted";
    }
    EXPECT_EQ(stored_tests(), 5) << "tests 1, 2, 4, 6 and 9";
    // No room at all: refused before anything is counted.
    EXPECT_EQ(tests.add(running(10, "10.0.0.4", 1060), 0, 3, 2000), TestAdmission::address_full);
    EXPECT_EQ(tests.add(running(11, "10.0.0.4", 1060), 2, 0, 2000), TestAdmission::service_full);
}

TEST_P(RunningTestsTest, FindsAnUnexpiredTestWithItsBytesAlsoAfterTheStoreOpensAgain) {
    RunningTestRecord test = running(1, "2001:db8::1", 1765324800);
    test.answered = 0;
    for (int byte = 0; byte < 256; ++byte) {
        test.state += char(byte); // every byte, a zero among them
    }
    {
        const auto store = open();
        ASSERT_EQ(store->running_tests().add(test, 1, 1, 0), TestAdmission::admitted);
    }
    const auto store = open();
    RunningTests& tests = store->running_tests();
    const std::optional<RunningTestRecord> found = tests.find(test.id, test.touched_at);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id, test.id);
    EXPECT_EQ(found->address, "2001:db8::1");
    EXPECT_EQ(found->answered, 0);
    EXPECT_EQ(found->state, test.state);
    EXPECT_EQ(found->touched_at, 1765324800);
    EXPECT_FALSE(tests.find(test.id, test.touched_at + 1)) << "expired";
    EXPECT_FALSE(tests.find(running(2, "", 0).id, 0)) << "unknown";
    EXPECT_FALSE(tests.find("", 0)) << "unknown";
}

TEST_P(RunningTestsTest, AChangeNamingAnOlderVersionIsRefusedAndLeavesTheTestAsItWas) {
    const auto store = open();
    RunningTests& tests = store->running_tests();
    RunningTestRecord test = running(1, "10.0.0.1", 1000);
    ASSERT_EQ(tests.add(test, 1, 1, 0), TestAdmission::admitted);

    RunningTestRecord first = test;
    first.answered = 1;
    first.state = "after the first move";
    first.touched_at = 1010;
    RunningTestRecord late = first;
    late.state = "the same move, answered a second time";
    late.touched_at = 1020;
    EXPECT_TRUE(tests.replace(first, 0));
    EXPECT_FALSE(tests.replace(late, 0)) << "answered is 1 now";
    EXPECT_FALSE(tests.replace(running(2, "10.0.0.1", 1030), 0)) << "no such test";
    const std::optional<RunningTestRecord> found = tests.find(test.id, 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->answered, 1);
    EXPECT_EQ(found->state, "after the first move");
    EXPECT_EQ(found->touched_at, 1010);
    EXPECT_EQ(found->address, "10.0.0.1") << "kept";
    EXPECT_EQ(stored_tests(), 1) << "a refused change adds nothing";
}

// Requests of one test answered by several threads (or services) at once: for each version,
// exactly one change is stored, and it is the one the test then holds.
TEST_P(RunningTestsTest, OfChangesNamingTheSameVersionAtOnceExactlyOneIsStored) {
    constexpr int threads = 6;
    constexpr int versions = 15;
    const auto store = open();
    const auto other = open(); // a second service on the same store
    const RunningTestRecord test = running(1, "10.0.0.1", 1000);
    ASSERT_EQ(store->running_tests().add(test, 1, 1, 0), TestAdmission::admitted);
    for (int version = 0; version < versions; ++version) {
        std::atomic<int> stored{0};
        std::atomic<int> winner{-1};
        std::vector<std::thread> players;
        for (int t = 0; t < threads; ++t) {
            players.emplace_back([&, t] {
                RunningTestRecord next = test;
                next.answered = version + 1;
                next.state = "thread " + std::to_string(t);
                next.touched_at = 1000 + version;
                RunningTests& tests = (t % 2 ? *other : *store).running_tests();
                if (tests.replace(next, version)) {
                    ++stored;
                    winner = t;
                }
            });
        }
        for (std::thread& player : players) {
            player.join();
        }
        ASSERT_EQ(stored.load(), 1) << "version " << version;
        const std::optional<RunningTestRecord> found = store->running_tests().find(test.id, 0);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->answered, version + 1);
        EXPECT_EQ(found->state, "thread " + std::to_string(winner.load()));
    }
}

// Two services sharing the store admit at once, many threads each: neither bound is ever
// passed between them. Every attempt alternates between one shared address and a new one, so
// the new addresses alone would pass the bound in all.
TEST_P(RunningTestsTest, TwoServicesAdmittingAtOnceNeverPassTheBounds) {
    constexpr int threads_each = 4;
    constexpr int attempts = 12;
    constexpr int64_t per_address = 3;
    constexpr int64_t in_all = 30;
    const auto first = open();
    const auto second = open();
    std::atomic<int> admitted{0};
    std::atomic<int> shared_admitted{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> services;
    for (int t = 0; t < 2 * threads_each; ++t) {
        services.emplace_back([&, t] {
            RunningTests& tests = (t < threads_each ? *first : *second).running_tests();
            for (int i = 0; i < attempts; ++i) {
                const int n = t * attempts + i;
                const bool shared = i % 2 == 0;
                const std::string address = shared ? "shared" : "own " + std::to_string(n);
                try {
                    if (tests.add(running(n, address, 1000), per_address, in_all, 0) ==
                        TestAdmission::admitted) {
                        ++admitted;
                        shared_admitted += shared ? 1 : 0;
                    }
                } catch (const StoreError&) {
                    ++failed;
                }
            }
        });
    }
    for (std::thread& service : services) {
        service.join();
    }
    EXPECT_EQ(failed.load(), 0) << "admissions wait for each other well within the bound";
    // 48 attempts with addresses of their own: each refused only once 30 run.
    EXPECT_EQ(admitted.load(), in_all);
    EXPECT_LE(shared_admitted.load(), per_address);
    EXPECT_EQ(stored_tests(), in_all);
    EXPECT_EQ(stored_tests("address = 'shared'"), shared_admitted.load());
}

TEST_P(RunningTestsTest, RemovingTheIdleRemovesOnlyTestsTouchedBeforeTheTime) {
    const auto store = open();
    RunningTests& tests = store->running_tests();
    for (int n = 0; n < 4; ++n) {
        ASSERT_EQ(tests.add(running(n, "10.0.0.1", 1000 + 10 * n), 10, 10, 0), TestAdmission::admitted);
    }
    EXPECT_EQ(tests.remove_idle(1010), 1) << "only the one touched at 1000";
    EXPECT_EQ(tests.remove_idle(1010), 0);
    EXPECT_EQ(stored_tests(), 3);
    EXPECT_TRUE(tests.find(running(1, "", 0).id, 0)) << "touched at 1010 exactly";
    EXPECT_EQ(tests.remove_idle(2000), 3);
    EXPECT_EQ(stored_tests(), 0);
}

// Another program holding the lock a call needs: sqlite3 in a write transaction, or psql
// holding the admissions' lock and the test's row.
TEST_P(RunningTestsTest, AStoreAnotherProgramHoldsAnswersBusyAfterABoundedWait) {
    StoreLimits limits;
    limits.lock_wait = std::chrono::milliseconds(300);
    const auto store = open(limits);
    RunningTests& tests = store->running_tests();
    const RunningTestRecord test = running(1, "10.0.0.1", 1000);
    ASSERT_EQ(tests.add(test, 5, 5, 0), TestAdmission::admitted);
    std::unique_ptr<SqliteConnection> sqlite;
    std::unique_ptr<PostgresConnection> postgres;
    if (GetParam() == StoreKind::sqlite) {
        sqlite = std::make_unique<SqliteConnection>(where);
        sqlite->execute("BEGIN IMMEDIATE");
    } else {
        postgres = std::make_unique<PostgresConnection>(where, std::chrono::seconds(10));
        postgres->execute("BEGIN; SELECT pg_advisory_xact_lock(7166148); "
                          "SELECT 1 FROM running_tests FOR UPDATE");
    }
    RunningTestRecord next = test;
    next.answered = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(tests.add(running(2, "10.0.0.2", 1000), 5, 5, 0), StoreError);
    EXPECT_THROW(tests.replace(next, 0), StoreError);
    // Generous: only that the waits end.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(tests.find(test.id, 0)) << "reads go on meanwhile";
    sqlite.reset();
    postgres.reset();
    EXPECT_TRUE(tests.replace(next, 0));
    EXPECT_EQ(tests.add(running(2, "10.0.0.2", 1000), 5, 5, 0), TestAdmission::admitted);
}

} // namespace
