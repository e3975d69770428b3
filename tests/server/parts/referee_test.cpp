// The referee: whole tests played through it agree with the engine played directly, refused
// requests change nothing, tests never share state, and an answer shows only what is shown.
#include "engine/play.h"
#include "render/geometry.h"
#include "resources/control_ids.h"
#include "server/referee/referee.h"
#include "server/referee/referee_seams.h"
#include "server/referee/revealed_json.h"

#include <gtest/gtest.h>

#include <boost/json/src.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr TestSettings small_test{29, 3, 1, 2};

RefereeSeed counting_seed(uint8_t first) {
    RefereeSeed seed;
    for (size_t i = 0; i < seed.key.size(); ++i) {
        seed.key[i] = uint8_t(first + i);
    }
    return seed;
}

// ChaCha20 under the key 00 01 .. 1f, nonce 0: the keystream's first 8 bytes of block n,
// little-endian, as Python's cryptography package computes them.
TEST(RefereeSeed, SeedsEachRequestFromChaCha20sBlockOfItsNumber) {
    const RefereeSeed seed = counting_seed(0);
    EXPECT_EQ(random_state_for_play(seed, 0), 0x6a19c5d97d2bfd39u);
    EXPECT_EQ(random_state_for_play(seed, 1), 0xd1a6e6ad3142b818u);
    EXPECT_EQ(random_state_for_play(seed, 1000), 0xafeb495dbe95db20u);
}

TEST(RefereeSeed, FreshSeedsDifferAndFillTheirKey) {
    const RefereeSeed a = fresh_seed();
    const RefereeSeed b = fresh_seed();
    EXPECT_NE(a, b);
    EXPECT_NE(a, RefereeSeed{});
}

// The board and preview as the page keeps them: the start's and every answer's steps applied
// in order.
struct PageBoard {
    std::array<uint8_t, board_cells> cells{}; // colour + 1, as the engine's board
    std::array<int, preview_slots> preview = {-1, -1, -1, -1, -1};
    void apply(const Revealed& revealed) {
        for (const BoardStep& step : revealed.steps) {
            if (step.kind == StepKind::put) {
                cells[cell_index(step.column_or_slot, step.row)] = uint8_t(step.colour + 1);
            } else if (step.kind == StepKind::take) {
                cells[cell_index(step.column_or_slot, step.row)] = 0;
            } else if (step.kind == StepKind::show) {
                preview[step.column_or_slot] = step.colour;
            } else if (step.kind == StepKind::hide) {
                preview[step.column_or_slot] = -1;
            }
        }
        EXPECT_EQ(preview, revealed.preview);
    }
    bool matches(const GameState& state) const {
        return std::memcmp(cells.data(), state.board, board_cells) == 0;
    }
};

struct Move {
    Cell from;
    Cell to;
};

// The cells a ball at from can reach through empty cells, left, right, up and down.
std::vector<Cell> reachable_cells(const std::array<uint8_t, board_cells>& cells, Cell from) {
    std::vector<Cell> found;
    std::array<bool, board_cells> seen{};
    std::vector<Cell> frontier{from};
    seen[cell_index(from.column, from.row)] = true;
    while (!frontier.empty()) {
        const Cell at = frontier.back();
        frontier.pop_back();
        for (const Cell step : {Cell{-1, 0}, Cell{1, 0}, Cell{0, -1}, Cell{0, 1}}) {
            const Cell next{at.column + step.column, at.row + step.row};
            if (next.column < 0 || next.column > 7 || next.row < 0 || next.row > 7 ||
                seen[cell_index(next.column, next.row)] ||
                cells[cell_index(next.column, next.row)] != 0) {
                continue;
            }
            seen[cell_index(next.column, next.row)] = true;
            found.push_back(next);
            frontier.push_back(next);
        }
    }
    return found;
}

// The longest run of one colour through a cell, in any of the four directions.
int run_through(const std::array<uint8_t, board_cells>& cells, Cell at) {
    const uint8_t colour = cells[cell_index(at.column, at.row)];
    int longest = 0;
    for (const Cell direction : {Cell{1, 0}, Cell{0, 1}, Cell{1, 1}, Cell{1, -1}}) {
        int run = 1;
        for (const int sign : {1, -1}) {
            Cell next{at.column + sign * direction.column, at.row + sign * direction.row};
            while (next.column >= 0 && next.column < 8 && next.row >= 0 && next.row < 8 &&
                   cells[cell_index(next.column, next.row)] == colour) {
                ++run;
                next = {next.column + sign * direction.column, next.row + sign * direction.row};
            }
        }
        longest = std::max(longest, run);
    }
    return longest;
}

// A greedy player who sees only the page's board: a move that makes the longest run, drawn
// among the equals by a generator of its own, lest it go to and fro between two.
struct Planner {
    uint32_t state = 1;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 16;
    }
    Move planned_move(const PageBoard& board) {
        Move best{};
        uint32_t best_score = 0;
        for (int from = 0; from < board_cells; ++from) {
            const Cell source{from / 8, from % 8};
            if (board.cells[from] == 0) {
                continue;
            }
            for (const Cell target : reachable_cells(board.cells, source)) {
                std::array<uint8_t, board_cells> after = board.cells;
                after[cell_index(target.column, target.row)] = after[from];
                after[from] = 0;
                const uint32_t score = uint32_t(run_through(after, target)) << 16 | next();
                if (score > best_score) {
                    best = {source, target};
                    best_score = score;
                }
            }
        }
        return best;
    }
};

// A test played to its end by the planner, every answer checked against the board it keeps.
struct PlayedTest {
    RunningTest test;
    std::vector<Move> moves;
    std::vector<std::string> answers; // the start's JSON, then each move's
};

constexpr int most_planned_moves = 500;

PlayedTest play_to_the_end(const TestSettings& settings, const RefereeSeed& seed) {
    std::optional<StartedTest> started = start_running_test(settings, seed);
    EXPECT_TRUE(started);
    PlayedTest played{started->test, {}, {revealed_json(started->revealed)}};
    PageBoard board;
    board.apply(started->revealed);
    EXPECT_TRUE(board.matches(played.test.state));
    Planner planner;
    for (int n = 1; n <= most_planned_moves && !test_result(played.test); ++n) {
        const Move move = planner.planned_move(board);
        const PlayAnswer answer = play_move(played.test, move.from, move.to, n);
        EXPECT_EQ(answer.refusal, Refusal::none) << "move " << n;
        board.apply(answer.revealed);
        EXPECT_TRUE(board.matches(played.test.state)) << "move " << n;
        played.moves.push_back(move);
        played.answers.push_back(revealed_json(answer.revealed));
    }
    return played;
}

// The engine played directly over its global game, with each request's generator state as
// the referee seeds it: the moves and lines it counts.
RefereeResult played_directly(const TestSettings& settings, const RefereeSeed& seed,
                              const std::vector<Move>& moves) {
    reset_game_state();
    geometry = nominal_geometry();
    begin_recording(settings);
    new_test_from(random_state_for_play(seed, 0));
    for (size_t n = 1; n <= moves.size(); ++n) {
        game.random_state = random_state_for_play(seed, uint32_t(n));
        const Move& move = moves[n - 1];
        click_board_at(cell_centre_x(move.from.column), cell_centre_y(move.from.row));
        click_board_at(cell_centre_x(move.to.column), cell_centre_y(move.to.row));
    }
    take_recording();
    return {game.settings, game.total_moves, game.total_lines};
}

TEST(Referee, AWholeTestCountsWhatTheEngineCountsOnTheSameSeed) {
    const RefereeSeed seed = counting_seed(7);
    const PlayedTest played = play_to_the_end(small_test, seed);
    const std::optional<RefereeResult> result = test_result(played.test);
    ASSERT_TRUE(result);
    // Worked out once with this seed and planner.
    EXPECT_EQ(*result, (RefereeResult{small_test, 5, 2}));
    EXPECT_EQ(*result, played_directly(small_test, seed, played.moves));
    EXPECT_EQ(played.moves.size(), size_t(result->moves));
    // The start shows the score before the first move.
    EXPECT_NE(played.answers.front().find(R"("texts":{"102":"0*1000/0","112":"0.0"})"),
              std::string::npos)
        << played.answers.front();
    // The last move makes the last line: the score shows it, the result can be sent.
    const Revealed& last = played.test.last_answer;
    EXPECT_TRUE(last.over);
    EXPECT_EQ(last.texts.at(IDC_LINES_DISPLAY), "2*1000/5");
    EXPECT_EQ(last.texts.at(IDC_ACCURACY_DISPLAY), "   400.000");
    EXPECT_TRUE(last.enabled.at(IDC_INTERNET));
    EXPECT_FALSE(last.enabled.at(IDC_SKIP));
}

TEST(Referee, RefusesSettingsThePanelDoesNotOffer) {
    const TestSettings refused[] = {
        {28, 3, 1, 1}, {60, 3, 1, 1},    {42, 1, 1, 1}, {42, 8, 1, 1},     {33, 2, 1, 1},
        {42, 7, 0, 1}, {42, 7, 1000, 1}, {42, 7, 1, 0}, {42, 7, 1, 10000},
    };
    for (const TestSettings& settings : refused) {
        EXPECT_FALSE(start_running_test(settings, counting_seed(1)))
            << settings.initial_ball_count << " " << settings.colour_count;
    }
    const std::optional<StartedTest> widest = start_running_test({32, 2, 999, 9999}, {});
    ASSERT_TRUE(widest);
    EXPECT_EQ(widest->test.state.settings, (TestSettings{32, 2, 999, 9999}));
    EXPECT_EQ(widest->test.state.ball_count, 32);
}

// Every field of the engine's record a request could change.
void expect_same_state(const GameState& a, const GameState& b) {
    EXPECT_EQ(a.settings, b.settings);
    EXPECT_EQ(std::memcmp(a.board, b.board, board_cells), 0);
    EXPECT_EQ(std::memcmp(a.marks, b.marks, board_cells), 0);
    EXPECT_EQ(std::memcmp(a.preview_colours, b.preview_colours, sizeof a.preview_colours), 0);
    EXPECT_EQ(std::make_tuple(a.current_round, a.lines_this_round, a.total_lines, a.total_moves,
                              a.ball_count, a.preview_count, a.selection_active, a.scoring_enabled,
                              a.random_state),
              std::make_tuple(b.current_round, b.lines_this_round, b.total_lines, b.total_moves,
                              b.ball_count, b.preview_count, b.selection_active, b.scoring_enabled,
                              b.random_state));
}

// A test whose board is drawn by hand, top row first: '.' empty, a digit the colour + 1.
// The ball in the corner (0, 0) is walled in; the cell (7, 7) is walled off.
RunningTest test_on_picture() {
    const char* const rows[8] = {
        "12......", //
        "3.......", //
        "........", //
        "....2...", //
        "........", //
        "........", //
        ".......1", //
        "......2.", //
    };
    RunningTest test = start_running_test({29, 3, 2, 5}, counting_seed(3))->test;
    test.state.ball_count = 0;
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            test.state.board[cell_index(c, r)] = rows[r][c] == '.' ? 0 : uint8_t(rows[r][c] - '0');
            test.state.ball_count += rows[r][c] != '.';
        }
    }
    return test;
}

TEST(Referee, RefusedRequestsLeaveTheTestAsItWas) {
    RunningTest test = test_on_picture();
    const PlayAnswer first = play_move(test, {4, 3}, {4, 4}, 1);
    ASSERT_EQ(first.refusal, Refusal::none);
    const PlayAnswer second = play_move(test, {4, 4}, {5, 4}, 2);
    ASSERT_EQ(second.refusal, Refusal::none);
    EXPECT_EQ(second.revealed.steps,
              (std::vector<BoardStep>{{StepKind::take, 4, 4}, {StepKind::put, 5, 4, 1}}));

    struct Case {
        const char* what;
        bool skip;
        Cell from, to;
        int32_t play_number;
        Refusal refusal;
    };
    const Case cases[] = {
        {"empty source", false, {3, 3}, {3, 4}, 3, Refusal::empty_source},
        {"occupied target", false, {5, 4}, {1, 0}, 3, Refusal::occupied_target},
        {"onto itself", false, {5, 4}, {5, 4}, 3, Refusal::occupied_target},
        {"walled-in ball", false, {0, 0}, {2, 2}, 3, Refusal::unreachable_target},
        {"walled-off cell", false, {5, 4}, {7, 7}, 3, Refusal::unreachable_target},
        {"off the board", false, {5, 4}, {8, 0}, 3, Refusal::off_board},
        {"negative cell", false, {-1, 0}, {2, 2}, 3, Refusal::off_board},
        {"older number", false, {5, 4}, {5, 5}, 1, Refusal::stale_play},
        {"start's number", false, {5, 4}, {5, 5}, 0, Refusal::stale_play},
        {"beyond the next", false, {5, 4}, {5, 5}, 4, Refusal::not_next_play},
        {"last number, another move", false, {5, 4}, {5, 5}, 2, Refusal::differing_repeat},
        {"last number, a skip", true, {}, {}, 2, Refusal::differing_repeat},
        {"skip, older number", true, {}, {}, 1, Refusal::stale_play},
    };
    for (const Case& c : cases) {
        const RunningTest before = test;
        const PlayAnswer refused = c.skip ? skip_test_round(test, c.play_number)
                                          : play_move(test, c.from, c.to, c.play_number);
        EXPECT_EQ(refused.refusal, c.refusal) << c.what;
        EXPECT_EQ(refused.revealed, Revealed{}) << c.what;
        expect_same_state(test.state, before.state);
        EXPECT_EQ(test.answered, before.answered) << c.what;
        EXPECT_EQ(test.last_answer, before.last_answer) << c.what;
    }

    // The last request asked again is answered again, and changes nothing.
    const RunningTest before = test;
    const PlayAnswer repeated = play_move(test, {4, 4}, {5, 4}, 2);
    EXPECT_EQ(repeated.refusal, Refusal::none);
    EXPECT_EQ(repeated.revealed, second.revealed);
    expect_same_state(test.state, before.state);
    EXPECT_EQ(test.answered, 2);
}

TEST(Referee, NothingIsPlayedAfterTheEndButTheLastAnswerIsGivenAgain) {
    RunningTest test = test_on_picture(); // two rounds
    const PlayAnswer first = skip_test_round(test, 1);
    ASSERT_EQ(first.refusal, Refusal::none);
    EXPECT_EQ(first.revealed.round, 2);
    EXPECT_FALSE(first.revealed.over);
    EXPECT_FALSE(test_result(test));
    const PlayAnswer last = skip_test_round(test, 2);
    ASSERT_EQ(last.refusal, Refusal::none);
    EXPECT_TRUE(last.revealed.over);
    EXPECT_EQ(last.revealed.preview, (std::array<int, 5>{-1, -1, -1, -1, -1}));
    EXPECT_EQ(test_result(test), (RefereeResult{{29, 3, 2, 5}, 0, 0}));

    const RunningTest before = test;
    const Cell ball = [&] {
        for (int i = 0; i < board_cells; ++i) {
            if (test.state.board[i] != 0) {
                return Cell{i / 8, i % 8};
            }
        }
        return Cell{};
    }();
    const Cell empty = [&] {
        for (int i = 0; i < board_cells; ++i) {
            if (test.state.board[i] == 0) {
                return Cell{i / 8, i % 8};
            }
        }
        return Cell{};
    }();
    EXPECT_EQ(play_move(test, ball, empty, 3).refusal, Refusal::test_over);
    EXPECT_EQ(skip_test_round(test, 3).refusal, Refusal::test_over);
    expect_same_state(test.state, before.state);
    const PlayAnswer again = skip_test_round(test, 2);
    EXPECT_EQ(again.refusal, Refusal::none);
    EXPECT_EQ(again.revealed, last.revealed);
}

TEST(Referee, TestsPlayedMoveByMoveTogetherAnswerAsEachDoesAlone) {
    const TestSettings other_test{42, 5, 1, 3};
    const PlayedTest a = play_to_the_end(small_test, counting_seed(7));
    const PlayedTest b = play_to_the_end(other_test, counting_seed(100));
    ASSERT_TRUE(test_result(a.test) && test_result(b.test));

    RunningTest together_a = start_running_test(small_test, counting_seed(7))->test;
    RunningTest together_b = start_running_test(other_test, counting_seed(100))->test;
    for (size_t n = 1; n <= std::max(a.moves.size(), b.moves.size()); ++n) {
        if (n <= a.moves.size()) {
            const PlayAnswer answer =
                play_move(together_a, a.moves[n - 1].from, a.moves[n - 1].to, int32_t(n));
            EXPECT_EQ(revealed_json(answer.revealed), a.answers[n]) << "a, move " << n;
        }
        if (n <= b.moves.size()) {
            const PlayAnswer answer =
                play_move(together_b, b.moves[n - 1].from, b.moves[n - 1].to, int32_t(n));
            EXPECT_EQ(revealed_json(answer.revealed), b.answers[n]) << "b, move " << n;
        }
    }
    EXPECT_EQ(test_result(together_a), test_result(a.test));
    EXPECT_EQ(test_result(together_b), test_result(b.test));
}

// Hex and decimal forms of a number, as a leak would spell it.
std::vector<std::string> spellings(uint64_t value) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(value));
    return {std::to_string(value), hex, std::to_string(uint32_t(value)),
            std::to_string(value >> 32)};
}

void expect_only_what_is_shown(const std::string& json, const RunningTest& test) {
    const boost::json::object answer = boost::json::parse(json).as_object();
    std::set<std::string> keys;
    for (const auto& entry : answer) {
        keys.insert(std::string(entry.key()));
    }
    EXPECT_EQ(keys, (std::set<std::string>{"play", "steps", "preview", "texts", "enabled", "cursor",
                                           "round", "over"}));
    // The preview is the five slots shown, no more.
    const boost::json::array& preview = answer.at("preview").as_array();
    ASSERT_EQ(preview.size(), size_t(preview_slots));
    for (int slot = 0; slot < preview_slots; ++slot) {
        if (slot < test.state.preview_count) {
            EXPECT_EQ(preview[slot].as_int64(), test.state.preview_colours[slot]);
        } else {
            EXPECT_TRUE(preview[slot].is_null());
        }
    }
    for (const uint32_t n : {0u, 1u, uint32_t(test.answered), uint32_t(test.answered + 1)}) {
        for (const std::string& spelled : spellings(random_state_for_play(test.seed, n))) {
            EXPECT_EQ(json.find(spelled), std::string::npos) << spelled;
        }
    }
    for (const std::string& spelled : spellings(test.state.random_state)) {
        EXPECT_EQ(json.find(spelled), std::string::npos) << spelled;
    }
    char key_start[8];
    std::snprintf(key_start, sizeof key_start, "%02x%02x%02x", test.seed.key[0], test.seed.key[1],
                  test.seed.key[2]);
    EXPECT_EQ(json.find(key_start), std::string::npos);
}

TEST(Referee, AnswersCarryNoSecretAndNoBallBeforeItIsShown) {
    std::optional<StartedTest> started = start_running_test(small_test, counting_seed(0xA0));
    ASSERT_TRUE(started);
    expect_only_what_is_shown(revealed_json(started->revealed), started->test);

    // A line, the announced balls, a new preview and the top-up: the balls put down are those
    // on the board after the answer, and the steps end where the board stands.
    const PlayedTest played = play_to_the_end(small_test, counting_seed(7));
    RunningTest replay = start_running_test(small_test, counting_seed(7))->test;
    for (size_t n = 1; n <= played.moves.size(); ++n) {
        const PlayAnswer answer =
            play_move(replay, played.moves[n - 1].from, played.moves[n - 1].to, int32_t(n));
        expect_only_what_is_shown(revealed_json(answer.revealed), replay);
    }
}

TEST(RevealedJson, HasItsDocumentedShape) {
    Revealed revealed;
    revealed.play_number = 3;
    revealed.steps = {{StepKind::take, 2, 5}, {StepKind::put, 4, 5, 1}, {StepKind::show, 0, 0, 2},
                      {StepKind::hide, 4},    {StepKind::new_board},    {StepKind::message}};
    revealed.preview = {2, 0, 1, -1, -1};
    revealed.texts = {{102, "1*1000/3"}, {113, "\"a\\b\"\n<&>\xD0\xB6"}};
    revealed.enabled = {{103, false}, {2110, true}};
    revealed.cross_cursor = true;
    revealed.round = 2;
    EXPECT_EQ(revealed_json(revealed),
              "{\"play\":3,\"steps\":[[\"take\",2,5],[\"put\",4,5,1],[\"show\",0,2],[\"hide\",4],"
              "[\"new_board\"],[\"message\"]],\"preview\":[2,0,1,null,null],"
              "\"texts\":{\"102\":\"1*1000/3\",\"113\":\"\\\"a\\\\b\\\"\\u000a\\u003c\\u0026"
              "\\u003e\xD0\xB6\"},\"enabled\":{\"103\":false,\"2110\":true},"
              "\"cursor\":\"cross\",\"round\":2,\"over\":false}");
}

} // namespace
