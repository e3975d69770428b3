// The figures read from a wrk report: its requests a second, and the answers store_links.lua
// counted.
#include "tests/bench/server/wrk_report.h"

#include <cstdio>
#include <sstream>

double requests_per_second(const std::string& report) {
    std::istringstream lines(report);
    double rate = -1;
    for (std::string line; std::getline(lines, line);) {
        std::sscanf(line.c_str(), "Requests/sec: %lf", &rate);
    }
    return rate;
}

AnsweredCounts answered_counts(const std::string& report) {
    std::istringstream lines(report);
    AnsweredCounts counts;
    for (std::string line; std::getline(lines, line);) {
        std::sscanf(line.c_str(), "answered 200: %ld, other answers: %ld", &counts.ok,
                    &counts.other);
    }
    return counts;
}
