// bench_scale WHERE N: fills a new results file, or an empty PostgreSQL database (a
// postgresql:// URI), with N results spread over many settings classes, then times with the
// service's own store and pages what a new result costs there: storing it with its place, the
// picture of its class on its page, and the records page built again after it; and a class's
// last page. Not a test.
#include "server/class_pages.h"
#include "server/pages.h"
#include "server/pictures.h"
#include "server/postgres_handles.h"
#include "server/results_store.h"
#include "server/sqlite_handles.h"
#include "server/sqlite_store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Twelve popular classes take nine results in ten, a tail of 300 classes the rest; moves
// spread over 2000 values from the 60 lines up.
ResultRow row_number(long i) {
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
    row.utf8_texts.nickname = 'b' + std::to_string(i);
    row.utf8_texts.country = "ru";
    row.utf8_texts.city = "Bench";
    return row;
}

// The same results as row_number's, made by the server in one statement: the triggers count
// them as they would a batch of the service's.
void fill_postgres(const std::string& uri, long count) {
    { const auto made = open_results_store(uri); } // the service's tables and triggers
    PostgresConnection connection(uri, std::chrono::hours(1));
    connection.execute("SET synchronous_commit = off; SET statement_timeout = 0");
    constexpr long per_statement = 100000;
    for (long start = 0; start < count; start += per_statement) {
        const long end = std::min(count, start + per_statement);
        connection.execute(R"sql(
            INSERT INTO results (link_key, received_at, initial_ball_count, colour_count,
                round_count, lines_per_round, total_moves, nickname, country, city, hidden_text,
                birth_year, email)
            SELECT 'fill-' || i, 1765324800 + i,
                CASE WHEN i % 10 = 9 THEN 29 + (i / 10 % 300) % 30
                     ELSE (ARRAY[42, 35, 50])[i % 3 + 1] END,
                CASE WHEN i % 10 = 9 THEN 3 + (i / 10 % 300) / 30 % 5
                     ELSE (ARRAY[7, 6, 5, 4])[i / 3 % 4 + 1] END,
                CASE WHEN i % 10 = 9 THEN 1 + (i / 10 % 300) / 150 ELSE 5 END,
                12, 60 + (i * 7919) % 2000, 'b' || i, 'ru', 'Bench', '', '', ''
            FROM generate_series()sql" +
                           std::to_string(start) + "::bigint, " + std::to_string(end - 1) +
                           ") AS i");
        std::fprintf(stderr, "\rbench_scale: %ld of %ld results written", end, count);
    }
    std::fprintf(stderr, "\n");
    connection.execute("ANALYZE");
}

void fill(const std::string& path, long count) {
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
            const ResultRow row = row_number(i);
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
}

} // namespace

int main(int argc, char** argv) {
    const long count = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    const bool postgres = argc == 3 && std::string(argv[1]).starts_with("postgres");
    if (count <= 0 || (!postgres && std::filesystem::exists(argv[1]))) {
        std::fprintf(stderr, "usage: bench_scale NEW-FILE|EMPTY-DATABASE-URI N (N > 0; the "
                             "file must not exist)\n");
        return 2;
    }
    const std::string where = argv[1];
    if (postgres) {
        fill_postgres(where, count);
    } else {
        fill(where, count);
    }

    const auto opened = open_results_store(where);
    ResultsStore& store = *opened;
    constexpr int rounds = 20;
    double storing = 0;
    double picture = 0;
    double records = 0;
    for (int i = 0; i < rounds; ++i) {
        // A new result in the largest class, then the page a visitor would be shown next.
        ResultRow row = row_number(count + long(i) * 30);
        row.link_key = "new-";
        row.link_key += std::to_string(i);
        Clock::time_point start = Clock::now();
        // Drawn as the service does before storing: from the class's counts.
        const std::string figure = histogram_figure(
            accuracy_histogram(with_result(store.move_counts(row.settings), row.total_moves, true),
                               line_count(row.settings), row.total_moves));
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
