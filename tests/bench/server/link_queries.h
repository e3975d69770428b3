// Distinct valid result links' queries for the service's benchmarks, made by the program's own
// record and link code.
#pragma once

#include <string>
#include <vector>

// Link i: spread over twelve settings classes, a few popular ones as on a real site, its moves
// over 2000 values from the 60 lines up.
std::string bench_link_query(long i);
// Link i of the one class bench_scale --one-class fills (42 balls, 7 colours, 5 × 12 lines), its
// moves spread over spread values
// from the 60 lines up.
std::string wide_class_link_query(long i, long spread);

// The first count of either kind.
std::vector<std::string> bench_link_queries(long count);
std::vector<std::string> wide_class_link_queries(long count, long spread);
