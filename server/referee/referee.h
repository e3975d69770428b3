// The referee: runs a test with the program's own engine, one request at a time, and answers
// only what the engine shows; a test's state and secret never leave the service.
#pragma once

#include "engine/game_state.h"
#include "server/referee/referee_seed.h"
#include "server/referee/revealed.h"

#include <cstdint>
#include <optional>

// Why a request was refused; a refused request leaves the test as it was.
enum class RefereeRefusal {
    none,
    off_board,          // a cell outside 0..7
    empty_source,       // no ball to move
    occupied_target,    // a ball stands there already (the source itself included)
    unreachable_target, // walled off from the ball by other balls
    test_over,          // the last round has ended
    stale_play,         // older than the last answered request
    differing_repeat,   // the last request's number with another move
    not_next_play,      // beyond the next request's number
};

// A short English phrase for the refusal.
const char* referee_refusal_text(RefereeRefusal refusal);

struct Cell {
    int column = 0;
    int row = 0;
    bool operator==(const Cell&) const = default;
};

// A request as it was asked, to tell a repetition from another request with the same number.
struct PlayRequest {
    bool skip = false;
    Cell from;
    Cell to;
    bool operator==(const PlayRequest&) const = default;
};

struct RunningTest {
    GameState state; // the engine's record between requests
    RefereeSeed seed;
    int32_t answered = 0; // moves and skips answered; the next request is answered + 1
    PlayRequest last_request;
    Revealed last_answer; // given again to a repeated request
};

struct StartedTest {
    RunningTest test;
    Revealed revealed;
};

struct PlayAnswer {
    RefereeRefusal refusal = RefereeRefusal::none;
    Revealed revealed; // when refusal is none
};

// Whether the panel lets a player choose these settings: 29..59 balls, 2..7 colours (two only
// with at most 32 balls), 1..999 rounds and 1..9999 lines a round.
bool settings_allowed(const TestSettings& settings);

// New with these settings: the first board and preview. Nothing for settings not allowed.
std::optional<StartedTest> start_running_test(const TestSettings& settings,
                                              const RefereeSeed& seed);

// The player picks up the ball at from and puts it at to, as request play_number.
PlayAnswer play_move(RunningTest& test, Cell from, Cell to, int32_t play_number);

// Skip: the round in play ends at once, as request play_number.
PlayAnswer skip_test_round(RunningTest& test, int32_t play_number);

// The referee's own count once the test is over; nothing while it runs.
struct RefereeResult {
    TestSettings settings;
    int32_t moves = 0;
    int32_t lines = 0;
    bool operator==(const RefereeResult&) const = default;
};
std::optional<RefereeResult> test_result(const RunningTest& test);
