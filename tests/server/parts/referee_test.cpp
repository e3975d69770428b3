// The referee: whole tests played through it agree with the engine played directly, refused
// requests change nothing, tests never share state, and an answer shows only what is shown.
#include "engine/play.h"
#include "render/geometry.h"
#include "resources/control_ids.h"
#include "server/referee/referee.h"
#include "server/referee/referee_seams.h"
#include "server/referee/revealed_json.h"
#include "tests/server/referee_player.h"

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
        EXPECT_EQ(answer.refusal, RefereeRefusal::none) << "move " << n;
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
    ASSERT_EQ(first.refusal, RefereeRefusal::none);
    const PlayAnswer second = play_move(test, {4, 4}, {5, 4}, 2);
    ASSERT_EQ(second.refusal, RefereeRefusal::none);
    EXPECT_EQ(second.revealed.steps,
              (std::vector<BoardStep>{{StepKind::take, 4, 4}, {StepKind::put, 5, 4, 1}}));

    struct Case {
        const char* what;
        bool skip;
        Cell from, to;
        int32_t play_number;
        RefereeRefusal refusal;
    };
    const Case cases[] = {
        {"empty source", false, {3, 3}, {3, 4}, 3, RefereeRefusal::empty_source},
        {"occupied target", false, {5, 4}, {1, 0}, 3, RefereeRefusal::occupied_target},
        {"onto itself", false, {5, 4}, {5, 4}, 3, RefereeRefusal::occupied_target},
        {"walled-in ball", false, {0, 0}, {2, 2}, 3, RefereeRefusal::unreachable_target},
        {"walled-off cell", false, {5, 4}, {7, 7}, 3, RefereeRefusal::unreachable_target},
        {"off the board", false, {5, 4}, {8, 0}, 3, RefereeRefusal::off_board},
        {"negative cell", false, {-1, 0}, {2, 2}, 3, RefereeRefusal::off_board},
        {"older number", false, {5, 4}, {5, 5}, 1, RefereeRefusal::stale_play},
        {"start's number", false, {5, 4}, {5, 5}, 0, RefereeRefusal::stale_play},
        {"beyond the next", false, {5, 4}, {5, 5}, 4, RefereeRefusal::not_next_play},
        {"last number, another move", false, {5, 4}, {5, 5}, 2, RefereeRefusal::differing_repeat},
        {"last number, a skip", true, {}, {}, 2, RefereeRefusal::differing_repeat},
        {"skip, older number", true, {}, {}, 1, RefereeRefusal::stale_play},
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
    EXPECT_EQ(repeated.refusal, RefereeRefusal::none);
    EXPECT_EQ(repeated.revealed, second.revealed);
    expect_same_state(test.state, before.state);
    EXPECT_EQ(test.answered, 2);
}

TEST(Referee, NothingIsPlayedAfterTheEndButTheLastAnswerIsGivenAgain) {
    RunningTest test = test_on_picture(); // two rounds
    const PlayAnswer first = skip_test_round(test, 1);
    ASSERT_EQ(first.refusal, RefereeRefusal::none);
    EXPECT_EQ(first.revealed.round, 2);
    EXPECT_FALSE(first.revealed.over);
    EXPECT_FALSE(test_result(test));
    const PlayAnswer last = skip_test_round(test, 2);
    ASSERT_EQ(last.refusal, RefereeRefusal::none);
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
    EXPECT_EQ(play_move(test, ball, empty, 3).refusal, RefereeRefusal::test_over);
    EXPECT_EQ(skip_test_round(test, 3).refusal, RefereeRefusal::test_over);
    expect_same_state(test.state, before.state);
    const PlayAnswer again = skip_test_round(test, 2);
    EXPECT_EQ(again.refusal, RefereeRefusal::none);
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
