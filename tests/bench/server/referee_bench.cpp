// referee_bench [PLAYS]: moves refereed per second on 1 thread and on 4 threads at once, each
// thread with tests of its own, against copying a test's state in and out alone (what the
// referee does under its lock besides playing). PLAYS per thread, 100000 by default. Not a test.
#include "server/referee/referee.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr long default_plays = 100000;
constexpr long most_plays = 100000000;
// A test that runs until the board is full: no round ends by its lines.
constexpr TestSettings long_test{42, 7, 1, 9999};

// A small generator for the bench's choice of cells; the referee's randomness is its own.
struct XorShift {
    uint64_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return uint32_t(state >> 32);
    }
};

// A random ball to a random empty cell: the engine judges it (refused when unreachable).
struct ThreadCount {
    long plays = 0;
    long taken = 0;
};

ThreadCount referee_plays(long plays, uint64_t thread_seed) {
    XorShift choice{thread_seed * 0x9E3779B97F4A7C15u + 1};
    ThreadCount count;
    RunningTest test = start_running_test(long_test, fresh_seed())->test;
    int32_t next_play = 1;
    while (count.plays < plays) {
        if (test_result(test)) {
            test = start_running_test(long_test, fresh_seed())->test;
            next_play = 1;
        }
        int from = int(choice.next() % board_cells);
        while (test.state.board[from] == 0) {
            from = (from + 1) % board_cells;
        }
        int to = int(choice.next() % board_cells);
        while (test.state.board[to] != 0) {
            to = (to + 1) % board_cells;
        }
        const PlayAnswer answer =
            play_move(test, {from / 8, from % 8}, {to / 8, to % 8}, next_play);
        ++count.plays;
        if (answer.refusal == Refusal::none) {
            ++count.taken;
            ++next_play;
        }
    }
    return count;
}

// The reference: the two copies of a test's state alone, into a game of the thread's own.
ThreadCount state_copies(long plays, uint64_t) {
    RunningTest test = start_running_test(long_test, fresh_seed())->test;
    GameState engine_side{};
    ThreadCount count;
    for (; count.plays < plays; ++count.plays) {
        engine_side = test.state;
        engine_side.total_moves += 1; // so that the copies cannot be folded away
        test.state = engine_side;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    count.taken = count.plays;
    return count;
}

struct Rate {
    double plays_per_second;
    double taken_share;
};

template <typename Work> Rate run_on_threads(int threads, long plays, Work work) {
    std::vector<ThreadCount> counts(static_cast<size_t>(threads));
    std::vector<std::thread> running;
    const Clock::time_point start = Clock::now();
    for (int t = 0; t < threads; ++t) {
        running.emplace_back([&, t] { counts[size_t(t)] = work(plays, uint64_t(t + 1)); });
    }
    for (std::thread& thread : running) {
        thread.join();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    long total = 0;
    long taken = 0;
    for (const ThreadCount& count : counts) {
        total += count.plays;
        taken += count.taken;
    }
    return {double(total) / seconds, double(taken) / double(total)};
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: referee_bench [PLAYS]\nMoves refereed per second on 1 and 4 "
                    "threads, against copying the state alone; PLAYS per thread (%ld).\n",
                    default_plays);
        return 0;
    }
    if (argc > 2) {
        std::fprintf(stderr, "referee_bench: takes at most one number, the plays per thread\n");
        return 2;
    }
    long plays = default_plays;
    if (argc == 2) {
        char* end = nullptr;
        plays = std::strtol(argv[1], &end, 10);
        if (*argv[1] == '\0' || *end != '\0' || plays < 1 || plays > most_plays) {
            std::fprintf(stderr, "referee_bench: '%s' is no count of plays from 1 to %ld\n",
                         argv[1], most_plays);
            return 2;
        }
    }
    for (const int threads : {1, 4}) {
        const Rate copies = run_on_threads(threads, plays, state_copies);
        const Rate refereed = run_on_threads(threads, plays, referee_plays);
        std::printf("%d thread%s: %.0f moves refereed/s (%.0f%% taken, the rest unreachable), "
                    "%.0f state copies/s; a move costs %.1f copies\n",
                    threads, threads == 1 ? "" : "s", refereed.plays_per_second,
                    100 * refereed.taken_share, copies.plays_per_second,
                    copies.plays_per_second / refereed.plays_per_second);
    }
    return 0;
}
