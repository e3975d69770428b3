// bench_links N [--one-class SPREAD]: prints N distinct valid result links' queries, one a
// line, for the service's benchmark. They spread over twelve settings classes, a few popular
// ones as on a real site; with --one-class, all are of bench_scale's one class (42 balls, 7
// colours, 5 × 12 lines), their moves spread over SPREAD values from the 60 lines up.
#include "tests/bench/server/link_queries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const long count = argc == 2 || argc == 4 ? std::strtol(argv[1], nullptr, 10) : 0;
    const bool one_class = argc == 4 && std::strcmp(argv[2], "--one-class") == 0;
    const long spread = one_class ? std::strtol(argv[3], nullptr, 10) : 2000;
    if (count <= 0 || (argc == 4 && !one_class) || spread <= 0 || spread > 2000000000) {
        std::fprintf(stderr, "usage: bench_links N [--one-class SPREAD]   (N > 0; SPREAD from 1 "
                             "to 2000000000)\n");
        return 2;
    }
    for (long i = 0; i < count; ++i) {
        const std::string query =
            one_class ? wide_class_link_query(i, spread) : bench_link_query(i);
        std::printf("%s\n", query.c_str());
    }
    return 0;
}
