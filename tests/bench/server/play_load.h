// Players of the browser test and readers of a page, each on a kept-alive connection of its
// own for a given time: requests answered a second and their round trips.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct LoadFigures {
    long answered = 0; // 200s within the time: moves for players, pages for readers
    long starts = 0;   // tests started, for players
    long failures = 0; // other answers, and requests not answered
    double per_second = 0;
    double median_ms = 0;
    double percentile_90_ms = 0;
};

// clients players on 127.0.0.1, the i-th at ports[i % ports.size()]: each starts a test, plays
// the greedy planner's moves, and starts a new test when one ends, until the time is up.
LoadFigures play_tests(const std::vector<int>& ports, int clients, std::chrono::seconds time);

// clients readers of path at 127.0.0.1:port, one request after another each.
LoadFigures read_page(int port, const std::string& path, int clients, std::chrono::seconds time);
