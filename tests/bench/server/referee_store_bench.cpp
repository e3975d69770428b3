// referee_store_bench [MOVES]: what the referee's use of each store costs, on a SQLite file and
// on a private PostgreSQL cluster that syncs its commits. A move's change of its running test,
// which needs not wait for the disk, against the same change committed as durably as a result;
// and a page of a class's verified results, at its start and deep within their bound, against
// the class's page of all its results at the same place. MOVES changes each, 2000 by default.
// Prints ratios. Not a test.
#include "server/store/postgres/postgres_handles.h"
#include "server/store/postgres/postgres_store.h"
#include "server/store/running_tests.h"
#include "server/store/sqlite/sqlite_handles.h"
#include "server/store/sqlite/sqlite_store.h"
#include "tests/support/postgres_cluster.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr long default_moves = 2000;
constexpr long most_moves = 10000000;
constexpr TestSettings bench_class{42, 7, 5, 12};
// Of the class's results, every third is sent by a link, the others verified; as many verified
// as the bound counts, and more.
constexpr int64_t class_results = 15000;
constexpr int page_reads = 200;
constexpr const char* change =
    "UPDATE running_tests SET answered = answered + 1, touched_at = touched_at + 1 WHERE id = ";

double seconds_of(const std::function<void()>& work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string test_id(long n) {
    char id[33];
    std::snprintf(id, sizeof id, "%032lx", n);
    return id;
}

// The store's own changes, each a move's: against the durable ones the caller times.
void compare_moves(const char* name, ResultsStore& store, long moves,
                   const std::function<void(const std::string& id, long moves)>& durable) {
    RunningTests& tests = store.running_tests();
    RunningTestRecord test{test_id(1), "10.0.0.1", 0, std::string(400, 's'), 1000};
    if (tests.add(test, 1, 1, 0) != TestAdmission::admitted) {
        std::fprintf(stderr, "referee_store_bench: the test was not admitted\n");
        std::exit(1);
    }
    const double unsynced = seconds_of([&] {
        for (long n = 0; n < moves; ++n) {
            RunningTestRecord next = test;
            next.answered = test.answered + 1;
            next.touched_at = test.touched_at + 1;
            if (!tests.replace(next, test.answered)) {
                std::fprintf(stderr, "referee_store_bench: a change was refused\n");
                std::exit(1);
            }
            test = next;
        }
    });
    const double synced = seconds_of([&] { durable(test.id, moves); });
    std::printf("%s: a move's change takes %.3f of the time of one committed durably\n", name,
                unsynced / synced);
}

ResultRow class_row(int64_t n) {
    ResultRow row;
    row.verified = n % 3 != 0;
    // Appended, not "literal" + text: GCC 12 warns falsely about the latter (-Wrestrict).
    row.link_key = row.verified ? "v" : "";
    row.link_key += test_id(n);
    row.settings = bench_class;
    row.total_moves = int32_t(100 + n % 5000);
    row.utf8_texts = {std::to_string(n), "ru", "Tver", "", "1990", "b@x.org"};
    return row;
}

void fill_class(ResultsStore& store) {
    std::atomic<int64_t> answered{0};
    for (int64_t n = 0; n < class_results; ++n) {
        store.store_async(class_row(n), 1765324800 + n, [&](StoreOutcome) { ++answered; });
    }
    for (int waited = 0; answered < class_results && waited < 60000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void compare_pages(const char* name, ResultsStore& store) {
    for (const int64_t first_place : {int64_t(0), verified_places_counted - 50}) {
        const double verified = seconds_of([&] {
            for (int i = 0; i < page_reads; ++i) {
                store.verified_class_results(bench_class, first_place, 50);
            }
        });
        const double all = seconds_of([&] {
            for (int i = 0; i < page_reads; ++i) {
                store.class_results(bench_class, first_place, 50);
            }
        });
        std::printf("%s: a page of verified results from place %lld takes %.2f times a page of "
                    "all\n",
                    name, static_cast<long long>(first_place + 1), verified / all);
    }
}

} // namespace

int main(int argc, char** argv) {
    long moves = default_moves;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: referee_store_bench [MOVES]\n"
                    "Times MOVES changes of a running test (default %ld) on SQLite and\n"
                    "PostgreSQL against durable ones, and verified pages against class pages.\n",
                    default_moves);
        return 0;
    }
    if (argc > 2) {
        std::fprintf(stderr, "referee_store_bench: give at most one argument, MOVES\n");
        return 2;
    }
    if (argc == 2) {
        char* end = nullptr;
        moves = std::strtol(argv[1], &end, 10);
        if (*argv[1] == '\0' || *end != '\0' || moves < 1 || moves > most_moves) {
            std::fprintf(stderr, "referee_store_bench: MOVES must be a count from 1 to %ld\n",
                         most_moves);
            return 2;
        }
    }
    StoreLimits limits;
    limits.max_pending = size_t(class_results);

    const TemporaryFolder folder;
    const std::string file = folder.path("results.sqlite");
    {
        SqliteStore store(file, limits);
        compare_moves("SQLite", store, moves, [&](const std::string& id, long count) {
            // As the results' connections: WAL, every commit synced.
            SqliteConnection durable(file);
            durable.execute("PRAGMA busy_timeout = 2000; PRAGMA synchronous = FULL");
            const SqliteStatement update(durable, (change + ("'" + id + "'")).c_str());
            for (long n = 0; n < count; ++n) {
                SqliteQuery query(update);
                query.step();
            }
        });
        fill_class(store);
        compare_pages("SQLite", store);
    }

    PostgresCluster cluster(CommitSyncs::on);
    const std::string uri = cluster.ready() ? cluster.new_database("bench") : "";
    if (uri.empty()) {
        std::fprintf(stderr, "referee_store_bench: no PostgreSQL: %s\n", cluster.error().c_str());
        return 1;
    }
    PostgresStore store(uri, limits);
    compare_moves("PostgreSQL", store, moves, [&](const std::string& id, long count) {
        PostgresConnection durable(uri, std::chrono::seconds(10));
        const std::string update = change + std::string("$1");
        for (long n = 0; n < count; ++n) {
            durable.run(update, {id});
        }
    });
    fill_class(store);
    compare_pages("PostgreSQL", store);
    return 0;
}
