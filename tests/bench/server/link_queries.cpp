// Distinct valid result links' queries for the service's benchmarks, made by the program's own
// record and link code.
#include "tests/bench/server/link_queries.h"

#include "record/result_link.h"
#include "record/settings_record.h"

#include <cstdio>

namespace {

std::string link_query(long i, const TestSettings& settings, long spread) {
    // 60 lines in at least 60 moves; the nickname makes each link its own.
    const int32_t moves = int32_t(60 + (i * 7919) % spread);
    char nickname[24];
    std::snprintf(nickname, sizeof nickname, "b%ld", i);
    const PlayerTexts texts{nickname, "ru", "Bench", "", "", ""};
    return result_link_query(build_settings_record(settings, moves, texts));
}

} // namespace

std::string bench_link_query(long i) {
    const int balls[] = {42, 35, 50};
    const int colours[] = {7, 6, 5, 4};
    return link_query(i, TestSettings{balls[i % 3], colours[(i / 3) % 4], 5, 12}, 2000);
}

std::string wide_class_link_query(long i, long spread) {
    return link_query(i, TestSettings{42, 7, 5, 12}, spread);
}

std::vector<std::string> bench_link_queries(long count) {
    std::vector<std::string> queries;
    queries.reserve(size_t(count));
    for (long i = 0; i < count; ++i) {
        queries.push_back(bench_link_query(i));
    }
    return queries;
}

std::vector<std::string> wide_class_link_queries(long count, long spread) {
    std::vector<std::string> queries;
    queries.reserve(size_t(count));
    for (long i = 0; i < count; ++i) {
        queries.push_back(wide_class_link_query(i, spread));
    }
    return queries;
}
