// bench_links N [--one-class SPREAD]: prints N distinct valid result links' queries, one a
// line, made by the program's own record and link code, for the service's benchmark. They
// spread over twelve settings classes, a few popular ones as on a real site; with --one-class,
// all are of bench_scale's one class (42 balls, 7 colours, 5 × 12 lines), their moves spread
// over SPREAD values from the 60 lines up.
#include "record/result_link.h"
#include "record/settings_record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    const long count = argc == 2 || argc == 4 ? std::strtol(argv[1], nullptr, 10) : 0;
    const bool one_class = argc == 4 && std::strcmp(argv[2], "--one-class") == 0;
    const long spread = one_class ? std::strtol(argv[3], nullptr, 10) : 2000;
    if (count <= 0 || (argc == 4 && !one_class) || spread <= 0 || spread > 2000000000) {
        std::fprintf(stderr, "usage: bench_links N [--one-class SPREAD]   (N > 0; SPREAD from 1 "
                             "to 2000000000)\n");
        return 2;
    }
    const int balls[] = {42, 35, 50};
    const int colours[] = {7, 6, 5, 4};
    for (long i = 0; i < count; ++i) {
        const TestSettings settings = one_class
                                          ? TestSettings{42, 7, 5, 12}
                                          : TestSettings{balls[i % 3], colours[(i / 3) % 4], 5, 12};
        // 60 lines in at least 60 moves; the nickname makes each link its own.
        const int32_t moves = int32_t(60 + (i * 7919) % spread);
        char nickname[24];
        std::snprintf(nickname, sizeof nickname, "b%ld", i);
        const PlayerTexts texts{nickname, "ru", "Bench", "", "", ""};
        std::printf("%s\n",
                    result_link_query(build_settings_record(settings, moves, texts)).c_str());
    }
    return 0;
}
