// The figures read from a wrk report: its requests a second, and the answers store_links.lua
// counted.
#pragma once

#include <string>

// -1 when the report has none.
double requests_per_second(const std::string& report);

struct AnsweredCounts {
    long ok = -1; // -1 when the report has no such line
    long other = -1;
};
AnsweredCounts answered_counts(const std::string& report);
