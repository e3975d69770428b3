// The referee's desk: starts tests, plays their requests and hands over finished ones, keeping
// every running test in the store between requests, within the bounds of PlayLimits.
#pragma once

#include "server/play/play_requests.h"
#include "server/referee/referee.h"
#include "server/row/result_row.h"
#include "server/store/running_tests.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

// Each bound has the name of the service's option that sets it (--tests-per-address for
// tests_per_address).
struct PlayLimits {
    // A household or a classroom behind one address plays at once; one client cannot take
    // more than 1/625 of all places.
    int64_t tests_per_address = 16;
    // A running test is about 1 KiB in the store: 10,000 of them take 10 MiB.
    int64_t tests_in_all = 10000;
    // Long enough for a long round played slowly, short enough that abandoned tests give their
    // places back within the hour.
    std::chrono::seconds idle_test{std::chrono::minutes(30)};
    // A player clicks twice a move; a fast one makes two moves a second. The burst lets a page
    // resend what a lost connection left unanswered.
    int32_t moves_per_second = 5;
    int32_t move_burst = 20;
};

enum class DeskRefusal {
    none,
    bad_settings,        // settings the panel does not offer
    too_many_tests_here, // the address runs tests_per_address tests already
    too_many_tests,      // all addresses run tests_in_all
    unknown_test,        // never started, expired, or its id mistyped
    too_fast,            // beyond the test's moves per second
    refereed,            // the referee refused the request: see referee_refusal
    not_over,            // a result asked for a test still running
    incomplete,          // a round was skipped: its lines are missing, so it has no place
    bad_texts,           // the player's texts do not fit the panel's edits
    store_failed,        // the store failed or holds a test it cannot read
};

struct DeskAnswer {
    DeskRefusal refusal = DeskRefusal::none;
    RefereeRefusal referee_refusal = RefereeRefusal::none;
    std::string test_id; // of a test started
    Revealed revealed;   // when refusal is none
    std::string reason;  // bad_texts: why, in Russian (UTF-8)
};

struct FinishedTest {
    DeskRefusal refusal = DeskRefusal::none;
    ResultRow row; // the referee's count with the player's texts, marked verified
    std::string reason;
};

class RefereeDesk {
  public:
    using Clock = std::chrono::steady_clock;

    RefereeDesk(RunningTests& tests, const PlayLimits& limits);

    // The calls block on the store: they run on the referee's threads, any number at once.
    // now is seconds since 1970, UTC, as the store keeps them.
    DeskAnswer start(const TestSettings& settings, std::string_view address, int64_t now);
    DeskAnswer play(std::string_view test_id, const MoveRequest& move, int64_t now,
                    Clock::time_point at = Clock::now());
    FinishedTest finished(std::string_view test_id, const PlayerTexts& utf8_texts, int64_t now);

    // Tests whose move allowance is tracked here now.
    size_t tracked_tests() const;

  private:
    int64_t idle_before(int64_t now) const { return now - limits_.idle_test.count(); }
    bool take_move(std::string_view test_id, Clock::time_point at);
    // The test as this desk last wrote it, unless expired: a move then needs no read. Another
    // service's write since makes the desk's own fail, and the test is read afresh.
    std::optional<RunningTestRecord> remembered(std::string_view test_id, int64_t now);
    void remember(const RunningTestRecord& record);
    void forget(std::string_view test_id);

    RunningTests& tests_;
    const PlayLimits limits_;
    // Each test's moves as a bucket kept as the moment it is whole again; a whole bucket
    // carries no information and is dropped when the table grows.
    mutable std::mutex moves_mutex_;
    std::unordered_map<std::string, Clock::time_point> whole_at_;
    // Bounded: beyond it one is dropped for each newcomer, and is read again when it moves.
    static constexpr size_t most_remembered = 4096; // about 5 MiB
    std::mutex remembered_mutex_;
    std::unordered_map<std::string, RunningTestRecord> remembered_;
    std::mutex sweep_mutex_;
    int64_t swept_at_ = 0;
};

// A fresh test id: 128 bits from the kernel's cryptographic source, in lowercase hexadecimal.
std::string fresh_test_id();
