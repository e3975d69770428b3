// bench_links N: prints N distinct valid result links' queries, one a line, made by the
// program's own record and link code, for the service's benchmark. They spread over twelve
// settings classes, a few popular ones as on a real site.
#include "record/result_link.h"
#include "record/settings_record.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (count <= 0) {
        std::fprintf(stderr, "usage: bench_links N\n");
        return 2;
    }
    const int balls[] = {42, 35, 50};
    const int colours[] = {7, 6, 5, 4};
    for (long i = 0; i < count; ++i) {
        const TestSettings settings{balls[i % 3], colours[(i / 3) % 4], 5, 12};
        // 60 lines in at least 60 moves; the nickname makes each link its own.
        const int32_t moves = int32_t(60 + (i * 7919) % 2000);
        char nickname[24];
        std::snprintf(nickname, sizeof nickname, "b%ld", i);
        const PlayerTexts texts{nickname, "ru", "Bench", "", "", ""};
        std::printf("%s\n",
                    result_link_query(build_settings_record(settings, moves, texts)).c_str());
    }
    return 0;
}
