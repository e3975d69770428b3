#include "engine/game_state.h"
#include "tests/support/drawing_fake.h"
#include "tests/support/panel_fake.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

// An independent copy of the generator, to predict what the engine draws.
struct Lcg {
    uint64_t state;
    explicit Lcg(uint32_t seed) : state(uint32_t(seed * 22695477u + 1u)) {}
    int32_t next() {
        state = state * 0x0000015A00004E35ull + 1u;
        return int32_t((state >> 32) & 0x7FFFFFFF);
    }
};

// Entries 0..free_last are exactly the empty cells, each once.
void expect_free_list_consistent() {
    std::set<std::pair<int, int>> listed;
    for (int k = 0; k <= game.free_last; ++k) {
        const int c = game.free_columns[k];
        const int r = game.free_rows[k];
        ASSERT_TRUE(c >= 0 && c < 8 && r >= 0 && r < 8);
        EXPECT_EQ(game.board[cell_index(c, r)], 0)
            << "listed cell " << c << "," << r << " holds a ball";
        EXPECT_TRUE(listed.insert({c, r}).second) << "cell listed twice";
    }
    EXPECT_EQ(int(listed.size()), 64 - balls_on_board());
}

void expect_settled_board() {
    EXPECT_EQ(game.ball_count, game.settings.initial_ball_count);
    EXPECT_EQ(balls_on_board(), game.settings.initial_ball_count);
    EXPECT_FALSE(board_has_line_of_five());
    EXPECT_EQ(game.scoring_enabled, 1);
    EXPECT_EQ(game.preview_count, 5);
    EXPECT_EQ(fake_panel.consistency_messages, 0);
}

TEST(BallSupply, FirstBallOfAFillAfterSeedZero) {
    reset_engine_fixture();
    game.settings.initial_ball_count = 42;
    game.settings.colour_count = 7;
    rng_seed(0);
    start_round_fill();
    const auto draws = calls_of(DrawingCall::draw);
    ASSERT_FALSE(draws.empty());
    // Entry 346 mod 64 = 26 is the cell (3, 2); colour 13854878 mod 7 = 2.
    EXPECT_EQ(draws[0].x, 130);
    EXPECT_EQ(draws[0].y, 120);
    EXPECT_EQ(draws[0].colour, 2);
    EXPECT_EQ(draws[0].size, BallSize::board);
}

TEST(BallSupply, FillsAndTopUpsKeepTheBoardSettledOverManySeeds) {
    for (uint32_t seed = 0; seed < 600; ++seed) {
        SCOPED_TRACE(seed);
        reset_engine_fixture();
        game.settings.initial_ball_count = 29 + int(seed % 31);
        game.settings.colour_count = 2 + int(seed % 6);
        rng_seed(seed);
        start_round_fill();
        expect_settled_board();
        expect_free_list_consistent();
        EXPECT_EQ(game.selection_active, 0);

        // Take away a few balls as a scoring move would, then top up.
        Lcg pick(seed);
        for (int taken = 0; taken < 5 + int(seed % 6);) {
            const int i = pick.next() % 64;
            if (game.board[i] != 0) {
                game.board[i] = 0;
                --game.ball_count;
                ++taken;
            }
        }
        drawing_calls.clear();
        game.scoring_enabled = 0;
        refill_board();
        game.scoring_enabled = 1;
        EXPECT_EQ(game.ball_count, game.settings.initial_ball_count);
        EXPECT_EQ(balls_on_board(), game.settings.initial_ball_count);
        EXPECT_FALSE(board_has_line_of_five());
        expect_free_list_consistent();
        EXPECT_EQ(game.total_lines, 0);
        EXPECT_EQ(fake_panel.consistency_messages, 0);
    }
}

// The top-up lists the empty cells column by column: with (2, 0), (1, 6) and (5, 2) empty the
// list is (1, 6), (2, 0), (5, 2). After seed 0, 346 mod 3 = 1 takes (2, 0) in colour
// 13854878 mod 4 = 2; (5, 2) moves into its entry, 1621890440 mod 2 = 0 takes (1, 6) in
// colour 816282396 mod 4 = 0, and (5, 2) is last, in colour 821126358 mod 4 = 2.
TEST(BallSupply, TopUpTakesTheEmptyCellsInColumnOrder) {
    reset_engine_fixture();
    // Colour (c + 2r) mod 4 + 1: no two neighbours in a line agree.
    const char* const rows[8] = {"12.41234", "34123412", "12341.34", "34123412",
                                 "12341234", "34123412", "1.341234", "34123412"};
    set_board_picture(rows);
    game.settings.initial_ball_count = 64;
    game.settings.colour_count = 4;
    game.scoring_enabled = 0;
    rng_seed(0);
    refill_board();
    const auto draws = calls_of(DrawingCall::draw);
    ASSERT_EQ(draws.size(), 3u);
    const int expected[3][3] = {{120, 100, 2}, {110, 160, 0}, {150, 120, 2}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(draws[i].x, expected[i][0]) << "ball " << i;
        EXPECT_EQ(draws[i].y, expected[i][1]) << "ball " << i;
        EXPECT_EQ(draws[i].colour, expected[i][2]) << "ball " << i;
    }
    EXPECT_EQ(game.ball_count, 64);
    EXPECT_EQ(fake_panel.consistency_messages, 0);
}

TEST(BallSupply, PreviewBallsTakeCellPairsInOrderAndSkipOccupiedCells) {
    reset_engine_fixture();
    game.settings.colour_count = 7;
    game.scoring_enabled = 0;
    // After seed 0 the first pair is (2, 6); occupy it so that it is rejected.
    game.board[cell_index(2, 6)] = 1;
    game.ball_count = 1;
    const int colours[5] = {6, 5, 4, 3, 2};
    for (int i = 0; i < 5; ++i) {
        game.preview_colours[i] = colours[i];
    }
    rng_seed(0);
    Lcg expected(0);

    place_preview_balls();

    const auto draws = calls_of(DrawingCall::draw);
    ASSERT_EQ(draws.size(), 5u);
    std::set<int> taken = {cell_index(2, 6)};
    for (int i = 0; i < 5; ++i) {
        int c, r;
        do {
            c = expected.next() % 8;
            r = expected.next() % 8;
        } while (taken.count(cell_index(c, r)));
        taken.insert(cell_index(c, r));
        EXPECT_EQ(draws[i].x, 100 + 10 * c);
        EXPECT_EQ(draws[i].y, 100 + 10 * r);
        EXPECT_EQ(draws[i].colour, colours[i]);
        EXPECT_EQ(game.board[cell_index(c, r)], colours[i] + 1);
    }
    EXPECT_NE(draws[0].x, 120) << "the occupied first pair must be skipped";
    EXPECT_EQ(game.random_state, expected.state);
    EXPECT_EQ(game.ball_count, 6);
}

TEST(BallSupply, PreviewBallsOnAFullBoardStopInsteadOfSearchingForever) {
    reset_engine_fixture();
    game.settings.colour_count = 3;
    for (int i = 0; i < 64; ++i) {
        game.board[i] = uint8_t(1 + (i + i / 8) % 3);
    }
    game.ball_count = 64;
    place_preview_balls();
    EXPECT_TRUE(calls_of(DrawingCall::draw).empty());
}

struct PreviewCase {
    int ball_count;
    int balls_shown;
};

class NewPreview : public testing::TestWithParam<PreviewCase> {};

TEST_P(NewPreview, DrawsOneColourPerFreeCellUpToFiveAndErasesTheRest) {
    reset_engine_fixture();
    game.settings.colour_count = 7;
    game.ball_count = GetParam().ball_count;
    rng_seed(5);
    Lcg expected(5);
    size_t drawing_calls_before_cursor = 99;
    fake_panel.on_cursor_change = [&] { drawing_calls_before_cursor = drawing_calls.size(); };

    draw_new_preview();

    EXPECT_EQ(game.preview_count, GetParam().balls_shown);
    EXPECT_EQ(fake_panel.cursor_changes, 1);
    EXPECT_EQ(drawing_calls_before_cursor, 0u)
        << "the cursor is chosen before the preview is drawn";
    const auto draws = calls_of(DrawingCall::draw);
    const auto erases = calls_of(DrawingCall::erase);
    ASSERT_EQ(int(draws.size()), GetParam().balls_shown);
    ASSERT_EQ(int(erases.size()), 5 - GetParam().balls_shown);
    for (int i = 0; i < int(draws.size()); ++i) {
        const int colour = expected.next() % 7;
        EXPECT_EQ(draws[i].colour, colour);
        EXPECT_EQ(game.preview_colours[i], colour);
        EXPECT_EQ(draws[i].x, 80);
        EXPECT_EQ(draws[i].y, 130 + 10 * i);
        EXPECT_EQ(draws[i].size, BallSize::preview);
    }
    for (int i = 0; i < int(erases.size()); ++i) {
        EXPECT_EQ(erases[i].x, 80);
        EXPECT_EQ(erases[i].y, 130 + 10 * (GetParam().balls_shown + i));
    }
    EXPECT_EQ(game.random_state, expected.state) << "exactly one number per ball shown";
}

INSTANTIATE_TEST_SUITE_P(BallCounts, NewPreview,
                         testing::Values(PreviewCase{42, 5}, PreviewCase{59, 5}, PreviewCase{61, 3},
                                         PreviewCase{64, 0}));

} // namespace
