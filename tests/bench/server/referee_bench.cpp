// referee_bench [PLAYS]: moves refereed per second on 1 thread and on 4 threads at once, each
// thread with tests of its own, against copying a test's state in and out alone (what the
// referee does under its lock besides playing); then skips, each a round's fresh board. PLAYS
// moves per thread, 100000 by default, and a tenth as many skips. Not a test.
#include "server/referee/referee.h"

#include <array>
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
// Random moves with seven colours seldom make a line: the common move, which brings no balls.
constexpr TestSettings moves_test{42, 7, 1, 9999};
// Skips of full boards: each is a round's fresh board of 59 balls, the costliest request.
constexpr TestSettings skips_test{59, 7, 999, 12};

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

struct ThreadCount {
    long plays = 0;
    long with_lines = 0;
};

// The empty cells a ball at cell could reach, as the engine would find them.
int reachable_from(const GameState& state, int cell, std::array<int, board_cells>& found) {
    std::array<bool, board_cells> seen{};
    int count = 0;
    int frontier[board_cells];
    int frontier_size = 0;
    frontier[frontier_size++] = cell;
    seen[size_t(cell)] = true;
    while (frontier_size > 0) {
        const int at = frontier[--frontier_size];
        const int column = at / 8;
        const int row = at % 8;
        const int neighbours[4][2] = {
            {column - 1, row}, {column + 1, row}, {column, row - 1}, {column, row + 1}};
        for (const auto& next : neighbours) {
            if (next[0] < 0 || next[0] > 7 || next[1] < 0 || next[1] > 7) {
                continue;
            }
            const int index = cell_index(next[0], next[1]);
            if (!seen[size_t(index)] && state.board[index] == 0) {
                seen[size_t(index)] = true;
                found[size_t(count++)] = index;
                frontier[frontier_size++] = index;
            }
        }
    }
    return count;
}

// Random balls moved to random cells they reach: every one is taken.
ThreadCount referee_moves(long plays, uint64_t thread_seed) {
    XorShift choice{thread_seed * 0x9E3779B97F4A7C15u + 1};
    ThreadCount count;
    RunningTest test = start_running_test(moves_test, fresh_seed())->test;
    std::array<int, board_cells> targets{};
    while (count.plays < plays) {
        if (test_result(test)) {
            test = start_running_test(moves_test, fresh_seed())->test;
        }
        int from = int(choice.next() % board_cells);
        int reachable = 0;
        for (int tried = 0; tried < board_cells; ++tried, from = (from + 1) % board_cells) {
            if (test.state.board[from] != 0 &&
                (reachable = reachable_from(test.state, from, targets)) > 0) {
                break;
            }
        }
        if (reachable == 0) {
            std::fprintf(stderr, "referee_bench: a board without a move\n");
            std::exit(1);
        }
        const int to = targets[choice.next() % uint32_t(reachable)];
        const int32_t lines_before = test.state.total_lines;
        const PlayAnswer answer =
            play_move(test, {from / 8, from % 8}, {to / 8, to % 8}, test.answered + 1);
        if (answer.refusal != RefereeRefusal::none) {
            std::fprintf(stderr, "referee_bench: a move refused: %s\n",
                         referee_refusal_text(answer.refusal));
            std::exit(1);
        }
        ++count.plays;
        count.with_lines += test.state.total_lines != lines_before;
    }
    return count;
}

ThreadCount referee_skips(long plays, uint64_t) {
    ThreadCount count;
    RunningTest test = start_running_test(skips_test, fresh_seed())->test;
    for (; count.plays < plays; ++count.plays) {
        if (test_result(test)) {
            test = start_running_test(skips_test, fresh_seed())->test;
        }
        if (skip_test_round(test, test.answered + 1).refusal != RefereeRefusal::none) {
            std::fprintf(stderr, "referee_bench: a skip refused\n");
            std::exit(1);
        }
    }
    return count;
}

// The reference: the two copies of a test's state alone, into a game of the thread's own.
ThreadCount state_copies(long plays, uint64_t) {
    RunningTest test = start_running_test(moves_test, fresh_seed())->test;
    GameState engine_side{};
    ThreadCount count;
    for (; count.plays < plays; ++count.plays) {
        engine_side = test.state;
        engine_side.total_moves += 1; // so that the copies cannot be folded away
        test.state = engine_side;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    return count;
}

struct Rate {
    double plays_per_second;
    double line_share;
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
    long with_lines = 0;
    for (const ThreadCount& count : counts) {
        total += count.plays;
        with_lines += count.with_lines;
    }
    return {double(total) / seconds, double(with_lines) / double(total)};
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: referee_bench [PLAYS]\nMoves and skips refereed per second on 1 "
                    "and 4 threads, against copying the state alone; PLAYS moves per thread (%ld)"
                    ", a tenth as many skips.\n",
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
        const double copies = run_on_threads(threads, plays, state_copies).plays_per_second;
        const Rate moves = run_on_threads(threads, plays, referee_moves);
        const Rate skips = run_on_threads(threads, plays / 10, referee_skips);
        std::printf("%d thread%s: %.0f state copies in and out/s; %.0f moves refereed/s (%.1f%% "
                    "with a line), %.1f copies' time each; %.0f skips/s, %.1f copies' time each\n",
                    threads, threads == 1 ? "" : "s", copies, moves.plays_per_second,
                    100 * moves.line_share, copies / moves.plays_per_second, skips.plays_per_second,
                    copies / skips.plays_per_second);
    }
    return 0;
}
