// Requests timed one after another, each on a new connection as a visitor's first request.
#include "tests/bench/server/latency_probe.h"

#include "tests/bench/server/sample_figures.h"

#include <httplib.h>

#include <chrono>
#include <thread>

namespace {

// No answer on loopback takes this long unless the service has stopped answering.
constexpr std::chrono::seconds answer_wait{30};
// Between requests, so that the service is asked as by visitors rather than by a crowd.
constexpr std::chrono::milliseconds pause_between{5};

} // namespace

Latencies time_requests(int port, const std::vector<std::string>& paths, int count) {
    std::vector<double> times;
    times.reserve(size_t(count));
    Latencies latencies;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        {
            // A client of its own: a new connection, closed when it goes.
            httplib::Client client("127.0.0.1", port);
            client.set_connection_timeout(answer_wait);
            client.set_read_timeout(answer_wait);
            client.set_write_timeout(answer_wait);
            const httplib::Result answer = client.Get(paths[size_t(i) % paths.size()]);
            latencies.failures += !answer || answer->status != 200;
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        std::this_thread::sleep_for(pause_between);
    }
    latencies.median_ms = median(times);
    latencies.percentile_90_ms = percentile_90(times);
    return latencies;
}
