// Requests timed one after another, each on a new connection as a visitor's first request.
#pragma once

#include <string>
#include <vector>

struct Latencies {
    double median_ms = 0;
    double percentile_90_ms = 0;
    int failures = 0; // answers other than 200, and requests not answered
};

// count requests to the service on 127.0.0.1:port, the paths (with their queries) taken in
// order, each once while they last, then from the start again.
Latencies time_requests(int port, const std::vector<std::string>& paths, int count);
