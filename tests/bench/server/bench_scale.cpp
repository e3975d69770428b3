// bench_scale [--one-class] [--fill-only] WHERE N: fills a new results file, or an empty
// PostgreSQL database (a postgresql:// URI), with N results spread over many settings classes
// (or, with --one-class, N results of one class, each with a move count of its own), then
// times with the service's own store and pages what a new result costs there: storing it with
// its place, the picture of its class on its page, and the records page built again after it;
// and a class's last page. --fill-only stops after filling. Not a test.
#include "server/open_store.h"
#include "server/pages/pages.h"
#include "server/pages/pictures.h"
#include "server/site/class_pages.h"
#include "server/store/postgres/postgres_handles.h"
#include "server/store/results_store.h"
#include "server/store/sqlite/sqlite_handles.h"
#include "server/store/sqlite/sqlite_store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The class of --one-class, and where its move counts start: its 60 lines.
constexpr TestSettings wide_class{42, 7, 5, 12};
constexpr long wide_fewest_moves = 60;

// Twelve popular classes take nine results in ten, a tail of 300 classes the rest; moves
// spread over 2000 values from the 60 lines up. With one_class, all in wide_class, result i
// with 60 + i moves.
ResultRow row_number(long i, bool one_class = false) {
    ResultRow row;
    // Appended, not "literal" + text: GCC 12 warns falsely about the latter (-Wrestrict).
    row.link_key = "fill-";
    row.link_key += std::to_string(i);
    if (i % 10 == 9) {
        const long tail = (i / 10) % 300;
        row.settings.initial_ball_count = int32_t(29 + tail % 30);
        row.settings.colour_count = int32_t(3 + tail / 30 % 5);
        row.settings.round_count = int32_t(1 + tail / 150);
    } else {
        row.settings.initial_ball_count = (const int[]){42, 35, 50}[i % 3];
        row.settings.colour_count = (const int[]){7, 6, 5, 4}[(i / 3) % 4];
        row.settings.round_count = 5;
    }
    row.settings.lines_per_round = 12;
    row.total_moves = int32_t(60 + (i * 7919) % 2000);
    if (one_class) {
        row.settings = wide_class;
        row.total_moves = int32_t(wide_fewest_moves + i);
    }
    row.utf8_texts.nickname = 'b' + std::to_string(i);
    row.utf8_texts.country = "ru";
    row.utf8_texts.city = "Bench";
    return row;
}

// The same results as row_number's, made by the server in one statement: the triggers count
// them as they would a batch of the service's.
void fill_postgres(const std::string& uri, long count, bool one_class) {
    { const auto made = open_results_store(uri); } // the service's tables and triggers
    PostgresConnection connection(uri, std::chrono::hours(1));
    connection.execute("SET synchronous_commit = off; SET statement_timeout = 0");
    constexpr long per_statement = 100000;
    for (long start = 0; start < count; start += per_statement) {
        const long end = std::min(count, start + per_statement);
        connection.run(
            R"sql(
            INSERT INTO results (link_key, received_at, initial_ball_count, colour_count,
                round_count, lines_per_round, total_moves, nickname, country, city, hidden_text,
                birth_year, email)
            SELECT 'fill-' || i, 1765324800 + i,
                CASE WHEN $1 THEN 42 WHEN i % 10 = 9 THEN 29 + (i / 10 % 300) % 30
                     ELSE (ARRAY[42, 35, 50])[i % 3 + 1] END,
                CASE WHEN $1 THEN 7 WHEN i % 10 = 9 THEN 3 + (i / 10 % 300) / 30 % 5
                     ELSE (ARRAY[7, 6, 5, 4])[i / 3 % 4 + 1] END,
                CASE WHEN $1 THEN 5 WHEN i % 10 = 9 THEN 1 + (i / 10 % 300) / 150 ELSE 5 END,
                12, CASE WHEN $1 THEN 60 + i ELSE 60 + (i * 7919) % 2000 END,
                'b' || i, 'ru', 'Bench', '', '', ''
            FROM generate_series($2::bigint, $3::bigint) AS i)sql",
            {one_class ? "true" : "false", std::to_string(start), std::to_string(end - 1)});
        std::fprintf(stderr, "\rbench_scale: %ld of %ld results written", end, count);
    }
    std::fprintf(stderr, "\n");
    // Written without waiting for syncs: on disk before anything is timed.
    connection.execute("ANALYZE; CHECKPOINT");
}

void fill(const std::string& path, long count, bool one_class) {
    { SqliteStore made(path); } // the service's own tables, indexes and counting triggers
    SqliteConnection connection(path);
    connection.execute("PRAGMA synchronous = OFF");
    const SqliteStatement insert(connection, R"sql(
        INSERT INTO results (link_key, received_at, initial_ball_count, colour_count,
            round_count, lines_per_round, total_moves, nickname, country, city, hidden_text,
            birth_year, email)
        VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, '', '', ''))sql");
    constexpr long per_transaction = 50000;
    for (long start = 0; start < count; start += per_transaction) {
        SqliteTransaction transaction(connection);
        for (long i = start; i < std::min(count, start + per_transaction); ++i) {
            const ResultRow row = row_number(i, one_class);
            SqliteQuery query(insert);
            query.bind(1, row.link_key)
                .bind(2, 1765324800 + i)
                .bind(3, row.settings.initial_ball_count);
            query.bind(4, row.settings.colour_count).bind(5, row.settings.round_count);
            query.bind(6, row.settings.lines_per_round)
                .bind(7, row.total_moves)
                .bind(8, row.utf8_texts.nickname);
            query.bind(9, row.utf8_texts.country).bind(10, row.utf8_texts.city);
            query.step();
        }
        transaction.commit();
        std::fprintf(stderr, "\rbench_scale: %ld of %ld results written",
                     std::min(count, start + per_transaction), count);
    }
    std::fprintf(stderr, "\n");
    // Written without syncs: on disk before anything is timed, or the first syncs timed would
    // write the whole fill.
    connection.execute("PRAGMA synchronous = FULL");
    connection.execute("PRAGMA wal_checkpoint(TRUNCATE)");
}

} // namespace

int main(int argc, char** argv) {
    bool one_class = false;
    bool fill_only = false;
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--one-class") {
            one_class = true;
        } else if (argument == "--fill-only") {
            fill_only = true;
        } else {
            operands.push_back(argument);
        }
    }
    const long count = operands.size() == 2 ? std::strtol(operands[1].c_str(), nullptr, 10) : 0;
    const bool postgres = operands.size() == 2 && operands[0].starts_with("postgres");
    if (count <= 0 || (!postgres && std::filesystem::exists(operands[0]))) {
        std::fprintf(stderr, "usage: bench_scale [--one-class] [--fill-only] "
                             "NEW-FILE|EMPTY-DATABASE-URI N (N > 0; the file must not exist)\n");
        return 2;
    }
    const std::string where = operands[0];
    if (postgres) {
        fill_postgres(where, count, one_class);
    } else {
        fill(where, count, one_class);
    }
    if (fill_only) {
        return 0;
    }

    const auto opened = open_results_store(where);
    ResultsStore& store = *opened;
    constexpr int rounds = 20;
    double storing = 0;
    double picture = 0;
    double records = 0;
    for (int i = 0; i < rounds; ++i) {
        // A new result in the largest class, then the page a visitor would be shown next.
        ResultRow row = row_number(count + long(i) * 30, one_class);
        if (one_class) {
            // Spread over the class, so that places are read at every depth.
            row.total_moves = int32_t(wide_fewest_moves + long(i) * 48611 % count);
        }
        row.link_key = "new-";
        row.link_key += std::to_string(i);
        Clock::time_point start = Clock::now();
        // Drawn as the service does before storing: from the class's counts.
        std::string figure;
        store.look_up_moves(row.settings, [&](MovesLookup& read) {
            WithResult with_it(read, row.total_moves, true);
            figure = histogram_figure(
                accuracy_histogram(with_it, line_count(row.settings), row.total_moves));
        });
        picture += milliseconds_since(start);
        start = Clock::now();
        const StoredResult stored = store.store(row, 1800000000 + i);
        storing += milliseconds_since(start);
        start = Clock::now();
        const std::string page = records_page(store.records(10, 100));
        records += milliseconds_since(start);
        if (i == 0) {
            std::printf("a new result placed %lld of %lld; the records page is %zu bytes\n",
                        static_cast<long long>(stored.place),
                        static_cast<long long>(stored.class_size), page.size());
        }
    }
    std::printf("with %ld results: a new result stored with its place in %.2f ms, its class's "
                "picture drawn in %.2f ms, the records page built after it in %.2f ms (means of "
                "%d)\n",
                store.result_count() - rounds, storing / rounds, picture / rounds, records / rounds,
                rounds);
    // The deepest page of the largest class: the store skips whole move counts to reach it.
    const ClassRecords largest = store.records(1, 1).front();
    const int64_t last_page = class_page_of(largest.class_size);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        class_page_answer(store, {largest.settings, last_page});
    }
    std::printf("the last page (%lld) of the largest class (%lld results) built in %.2f ms\n",
                static_cast<long long>(last_page), static_cast<long long>(largest.class_size),
                milliseconds_since(start) / rounds);
    return 0;
}
