// bench_scale FILE N [SHAPE]: fills a new results file with N results, has the store count
// them, then times with the service's own store and pages what a new result costs there:
// opening the file (with its checks), storing a new result with its place (its commit
// synced), the same link again (its place alone: nothing to sync), the oldest result's link
// again, and the records built again after it. SHAPE is classes (the default: many classes,
// a few popular), one-class, distinct (one class, every result with moves of its own) or ties
// (one class, every result with the same moves). Not a test.
#include "server/pages.h"
#include "server/results_store.h"
#include "server/sqlite_handles.h"
#include "tests/server/bench_rows.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The file as the service's first version made it: the results and their index alone. The
// store counts them once when it opens it, as it would such a file, which is far faster than
// counting each as it comes.
void fill(const std::string& path, long count, BenchShape shape) {
    SqliteConnection connection(path);
    // A file for timing only: nothing journalled or synced, the indexes in memory meanwhile.
    connection.execute("PRAGMA journal_mode = OFF");
    connection.execute("PRAGMA synchronous = OFF");
    connection.execute("PRAGMA cache_size = -1048576");
    connection.execute(R"sql(
        CREATE TABLE results (
            id INTEGER PRIMARY KEY,
            link_key TEXT NOT NULL UNIQUE,
            received_at INTEGER NOT NULL,
            initial_ball_count INTEGER NOT NULL,
            colour_count INTEGER NOT NULL,
            round_count INTEGER NOT NULL,
            lines_per_round INTEGER NOT NULL,
            total_moves INTEGER NOT NULL,
            nickname TEXT NOT NULL,
            country TEXT NOT NULL,
            city TEXT NOT NULL,
            hidden_text TEXT NOT NULL,
            birth_year TEXT NOT NULL,
            email TEXT NOT NULL
        );
        CREATE INDEX results_by_place ON results (
            initial_ball_count, colour_count, round_count, lines_per_round, total_moves, id);
    )sql");
    const SqliteStatement insert(connection, R"sql(
        INSERT INTO results (link_key, received_at, initial_ball_count, colour_count,
            round_count, lines_per_round, total_moves, nickname, country, city, hidden_text,
            birth_year, email)
        VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, '', '', ''))sql");
    constexpr long per_transaction = 100000;
    for (long start = 0; start < count; start += per_transaction) {
        SqliteTransaction transaction(connection);
        for (long i = start; i < std::min(count, start + per_transaction); ++i) {
            const ResultRow row = bench_row(uint64_t(i), shape);
            SqliteQuery query(insert);
            query.bind(1, row.link_key).bind(2, 1765324800 + i).bind(3, row.initial_ball_count);
            query.bind(4, row.colour_count).bind(5, row.round_count);
            query.bind(6, row.lines_per_round).bind(7, row.total_moves).bind(8, row.nickname);
            query.bind(9, row.country).bind(10, row.city);
            query.step();
        }
        transaction.commit();
        std::fprintf(stderr, "\rbench_scale: %ld of %ld results written",
                     std::min(count, start + per_transaction), count);
    }
    std::fprintf(stderr, "\n");
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const long count = argc >= 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    const char* shape_name = argc >= 4 ? argv[3] : "classes";
    const char* const shape_names[] = {"classes", "one-class", "distinct", "ties"};
    const auto* named =
        std::find_if(std::begin(shape_names), std::end(shape_names),
                     [&](const char* n) { return std::strcmp(n, shape_name) == 0; });
    if (argc < 3 || argc > 4 || count <= 0 || named == std::end(shape_names) ||
        std::filesystem::exists(argv[1])) {
        std::fprintf(stderr, "usage: bench_scale NEW-FILE N [classes|one-class|distinct|ties]\n"
                             "(N > 0; the file must not exist)\n");
        return 2;
    }
    const auto shape = BenchShape(named - std::begin(shape_names));
    const std::string path = argv[1];
    const Clock::time_point filling = Clock::now();
    fill(path, count, shape);
    std::printf("%ld results (%s) written in %.1f s\n", count, shape_name,
                milliseconds_since(filling) / 1000);
    Clock::time_point start = Clock::now();
    { ResultsStore counting(path); }
    std::printf("the store counted them once, as in a file of its first version, in %.1f s\n",
                milliseconds_since(start) / 1000);

    start = Clock::now();
    ResultsStore store(path);
    std::printf("the store opened on them in %.0f ms (its quick check and count check)\n",
                milliseconds_since(start));
    constexpr int rounds = 21;
    std::vector<double> storing, again, first, records, page;
    for (int i = 0; i < rounds; ++i) {
        // A new result in the largest class, then the records a visitor would be shown next.
        ResultRow row = bench_row(uint64_t(count) + uint64_t(i) * 30, shape);
        row.link_key = "new" + std::to_string(i);
        start = Clock::now();
        const StoredResult stored = store.store(row, 1800000000 + i);
        storing.push_back(milliseconds_since(start));
        start = Clock::now();
        const StoredResult repeated = store.store(row, 1800000000 + i);
        again.push_back(milliseconds_since(start));
        // The oldest result's link again: behind it, every later tie.
        start = Clock::now();
        store.store(bench_row(0, shape), 1800000000 + i);
        first.push_back(milliseconds_since(start));
        start = Clock::now();
        const std::vector<ClassRecords> classes = store.records(10, 100);
        records.push_back(milliseconds_since(start));
        const std::string html = records_page(classes);
        page.push_back(milliseconds_since(start));
        if (i == 0) {
            std::printf("a new result placed %lld of %lld (the same link again: %lld of %lld); "
                        "the records page is %zu bytes\n",
                        static_cast<long long>(stored.place),
                        static_cast<long long>(stored.class_size),
                        static_cast<long long>(repeated.place),
                        static_cast<long long>(repeated.class_size), html.size());
        }
    }
    std::printf("with %ld results, medians of %d: a new result stored with its place %.2f ms "
                "(its commit synced), the same link again %.2f ms (its place alone), the first "
                "result's link again %.2f ms, the records %.2f ms, their page with them %.2f ms\n",
                count, rounds, median(storing), median(again), median(first), median(records),
                median(page));
    return 0;
}
