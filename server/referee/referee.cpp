// The referee: each request copies a test's state into the engine's one global game under one
// lock, plays it there, and copies the state out.
#include "server/referee/referee.h"

#include "engine/play.h"
#include "render/geometry.h"
#include "server/referee/referee_seams.h"

#include <mutex>

namespace {

// Guards the engine's globals (game, geometry) and the seams' record: the engine is plain
// functions over them, so one request at a time plays, whichever test it belongs to.
std::mutex engine_lock;

bool test_is_over(const GameState& state) {
    return state.current_round > state.settings.round_count;
}

// What the board and panel show between requests, taken from the state after one.
void describe(const GameState& state, Revealed& revealed) {
    for (int slot = 0; slot < preview_slots; ++slot) {
        revealed.preview[slot] = slot < state.preview_count ? state.preview_colours[slot] : -1;
    }
    revealed.over = test_is_over(state);
    revealed.round = revealed.over ? state.settings.round_count : state.current_round;
}

// Plays one request in the engine over the test's state, its generator seeded afresh. play
// returns false if the engine did not take the request; the test's state is then kept.
template <typename Play>
std::optional<Revealed> play_in_engine(RunningTest& test, int32_t play_number, Play play) {
    const std::lock_guard lock(engine_lock);
    game = test.state;
    geometry = nominal_geometry();
    begin_recording(game.settings);
    const bool taken = play(random_state_for_play(test.seed, uint32_t(play_number)));
    if (!taken) {
        take_recording();
        return std::nullopt;
    }
    choose_board_cursor(); // as the program does on the next mouse move
    Revealed revealed = take_recording();
    test.state = game;
    return revealed;
}

bool on_board(Cell cell) {
    return cell.column >= 0 && cell.column < 8 && cell.row >= 0 && cell.row < 8;
}

uint8_t cell_value(const GameState& state, Cell cell) {
    return state.board[cell_index(cell.column, cell.row)];
}

// The refusal a request's number earns, or none for the next request. A repeat of the last
// request is answered by the caller from the kept answer.
RefereeRefusal judge_play_number(const RunningTest& test, const PlayRequest& request,
                                 int32_t play_number) {
    if (play_number == test.answered && test.answered > 0) {
        return request == test.last_request ? RefereeRefusal::none
                                            : RefereeRefusal::differing_repeat;
    }
    if (play_number <= test.answered) {
        return RefereeRefusal::stale_play;
    }
    return play_number == test.answered + 1 ? RefereeRefusal::none : RefereeRefusal::not_next_play;
}

PlayAnswer answer(RunningTest& test, const PlayRequest& request, Revealed revealed) {
    ++test.answered;
    revealed.play_number = test.answered;
    describe(test.state, revealed);
    test.last_request = request;
    test.last_answer = revealed;
    return {RefereeRefusal::none, std::move(revealed)};
}

// A click at the cell's centre pixel, where the program's player would click.
void click_cell(Cell cell) { click_board_at(cell_centre_x(cell.column), cell_centre_y(cell.row)); }

// What a request is answered without playing it: a refused number, the last answer again for
// its repeat, or the end of the test.
std::optional<PlayAnswer> answer_before_playing(const RunningTest& test, const PlayRequest& request,
                                                int32_t play_number) {
    const RefereeRefusal by_number = judge_play_number(test, request, play_number);
    if (by_number != RefereeRefusal::none) {
        return PlayAnswer{by_number, {}};
    }
    if (play_number == test.answered) {
        return PlayAnswer{RefereeRefusal::none, test.last_answer};
    }
    if (test_is_over(test.state)) {
        return PlayAnswer{RefereeRefusal::test_over, {}};
    }
    return std::nullopt;
}

} // namespace

const char* referee_refusal_text(RefereeRefusal refusal) {
    switch (refusal) {
    case RefereeRefusal::none:
        return "taken";
    case RefereeRefusal::off_board:
        return "a cell off the board";
    case RefereeRefusal::empty_source:
        return "no ball to move there";
    case RefereeRefusal::occupied_target:
        return "the target holds a ball";
    case RefereeRefusal::unreachable_target:
        return "the ball cannot reach the target";
    case RefereeRefusal::test_over:
        return "the test is over";
    case RefereeRefusal::stale_play:
        return "an older request";
    case RefereeRefusal::differing_repeat:
        return "the last request's number with another request";
    case RefereeRefusal::not_next_play:
        return "not the next request";
    }
    return "refused";
}

bool settings_allowed(const TestSettings& settings) {
    return settings.initial_ball_count >= fewest_initial_balls &&
           settings.initial_ball_count <= most_initial_balls &&
           settings.colour_count >= fewest_colours && settings.colour_count <= most_colours &&
           allowed_colour_count(settings.colour_count, settings.initial_ball_count) ==
               settings.colour_count &&
           settings.round_count >= 1 && settings.round_count <= most_rounds &&
           settings.lines_per_round >= 1 && settings.lines_per_round <= most_lines_per_round;
}

std::optional<StartedTest> start_running_test(const TestSettings& settings,
                                              const RefereeSeed& seed) {
    if (!settings_allowed(settings)) {
        return std::nullopt;
    }
    StartedTest started;
    started.test.seed = seed;
    {
        const std::lock_guard lock(engine_lock);
        reset_game_state();
        geometry = nominal_geometry();
        begin_recording(settings);
        new_test_from(random_state_for_play(seed, 0));
        choose_board_cursor();
        started.revealed = take_recording();
        started.test.state = game;
    }
    describe(started.test.state, started.revealed);
    started.test.last_answer = started.revealed;
    return started;
}

PlayAnswer play_move(RunningTest& test, Cell from, Cell to, int32_t play_number) {
    const PlayRequest request{false, from, to};
    if (std::optional<PlayAnswer> early = answer_before_playing(test, request, play_number)) {
        return *early;
    }
    if (!on_board(from) || !on_board(to)) {
        return {RefereeRefusal::off_board, {}};
    }
    if (cell_value(test.state, from) == 0) {
        return {RefereeRefusal::empty_source, {}};
    }
    if (cell_value(test.state, to) != 0) {
        return {RefereeRefusal::occupied_target, {}};
    }
    std::optional<Revealed> revealed =
        play_in_engine(test, play_number, [&](uint64_t random_state) {
            const int32_t moves_before = game.total_moves;
            game.random_state = random_state;
            click_cell(from);
            click_cell(to);
            return game.total_moves != moves_before; // the engine's own reachability judged
        });
    if (!revealed) {
        return {RefereeRefusal::unreachable_target, {}};
    }
    return answer(test, request, std::move(*revealed));
}

PlayAnswer skip_test_round(RunningTest& test, int32_t play_number) {
    const PlayRequest request{true, {}, {}};
    if (std::optional<PlayAnswer> early = answer_before_playing(test, request, play_number)) {
        return *early;
    }
    std::optional<Revealed> revealed = play_in_engine(test, play_number, [](uint64_t random_state) {
        game.random_state = random_state;
        skip_round();
        return true;
    });
    return answer(test, request, std::move(*revealed));
}

std::optional<RefereeResult> test_result(const RunningTest& test) {
    if (!test_is_over(test.state)) {
        return std::nullopt;
    }
    return RefereeResult{test.state.settings, test.state.total_moves, test.state.total_lines};
}
