// bench_store FILE [CLIENTS] [SECONDS]: the store alone, without HTTP, under CLIENTS clients
// that each send a new result as soon as the last is answered, as wrk's connections do:
// results stored per second and how long each waited for its answer. Not a test.
#include "server/results_store.h"
#include "tests/server/bench_rows.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Clients {
    Clients(ResultsStore& store, Clock::time_point end) : store(store), end(end) {}
    ResultsStore& store;
    Clock::time_point end;
    std::atomic<uint64_t> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    uint64_t stored = 0;
    uint64_t other = 0;
    std::vector<double> waits; // milliseconds

    // Sends one client's next result; its answer sends the one after, until the end.
    void send() {
        const uint64_t i = next++;
        const Clock::time_point sent = Clock::now();
        store.store_async(bench_row(i), 1765324800, [this, sent](const StoreOutcome& outcome) {
            const Clock::time_point now = Clock::now();
            {
                const std::lock_guard lock(mutex);
                (outcome.status == StoreStatus::stored ? stored : other) += 1;
                waits.push_back(std::chrono::duration<double, std::milli>(now - sent).count());
                if (now >= end) {
                    if (--running == 0) {
                        finished.notify_one();
                    }
                    return;
                }
            }
            send();
        });
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_store FILE [CLIENTS] [SECONDS]\n");
        return 2;
    }
    const int clients = argc > 2 ? std::atoi(argv[2]) : 32;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 10;
    ResultsStore store(argv[1]);
    const Clock::time_point start = Clock::now();
    Clients run(store, start + std::chrono::seconds(seconds));
    run.next = uint64_t(store.result_count()) + 1000000000ULL;
    run.running = clients;
    for (int c = 0; c < clients; ++c) {
        run.send();
    }
    std::unique_lock lock(run.mutex);
    run.finished.wait(lock, [&run] { return run.running == 0; });
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(run.waits.begin(), run.waits.end());
    const auto at = [&run](double share) {
        return run.waits[std::min(run.waits.size() - 1, size_t(share * double(run.waits.size())))];
    };
    std::printf("%d clients, %.1f s: %.0f results stored a second (%llu stored, %llu not); "
                "answered in %.2f ms (median), %.2f ms (99%%), %.2f ms (most)\n",
                clients, elapsed, double(run.stored) / elapsed,
                static_cast<unsigned long long>(run.stored),
                static_cast<unsigned long long>(run.other), at(0.5), at(0.99), run.waits.back());
    return run.other == 0 ? 0 : 1;
}
