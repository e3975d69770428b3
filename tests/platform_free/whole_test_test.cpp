// A whole test played through the real handlers by a simple player that looks for moves
// that make lines, checking the engine's invariants after every click.
#include "engine/game_state.h"
#include "engine/play.h"
#include "resources/control_ids.h"
#include "tests/support/board_runs.h"
#include "tests/support/drawing_fake.h"
#include "tests/support/panel_fake.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct Move {
    int from_column, from_row, to_column, to_row;
};

// Picks the reachable move whose target makes the longest run (a line when it reaches 5).
Move choose_move() {
    Move best = {-1, -1, -1, -1};
    int best_run = -1;
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            const uint8_t v = game.board[cell_index(c, r)];
            if (v == 0) {
                continue;
            }
            uint8_t saved[64];
            std::copy(game.marks, game.marks + 64, saved);
            std::fill(game.marks, game.marks + 64, 0);
            mark_reachable(c, r);
            game.board[cell_index(c, r)] = 0; // the ball leaves its cell
            for (int t = 0; t < 64; ++t) {
                if (game.marks[t] == 1) {
                    const int run = longest_run_through(game.board, t / 8, t % 8, v);
                    if (run > best_run) {
                        best_run = run;
                        best = {c, r, t / 8, t % 8};
                    }
                }
            }
            game.board[cell_index(c, r)] = v;
            std::copy(saved, saved + 64, game.marks);
        }
    }
    return best;
}

void click_cell(int c, int r) { click_board_at(100 + 10 * c, 100 + 10 * r); }

// n / d to the nearest whole number, halves to even.
int64_t nearest(int64_t n, int64_t d) {
    const int64_t q = n / d;
    const int64_t twice_rest = (n - q * d) * 2;
    return q + (twice_rest > d || (twice_rest == d && (q & 1)));
}

// The accuracy text worked out in whole numbers: lines * 1000 / moves rounded to the nearest
// single (24 significant bits), that single rounded to thousandths, right-aligned in 10.
std::string accuracy_text(int64_t lines, int64_t moves) {
    int64_t thousandths = 0;
    if (lines > 0) {
        // 2^e <= lines * 1000 / moves < 2^(e+1); the single keeps 23 bits after the first.
        const auto reaches = [&](int e) {
            return e >= 0 ? lines * 1000 >= moves << e : lines * 1000 << -e >= moves;
        };
        int e = 0;
        while (reaches(e + 1)) {
            ++e;
        }
        while (!reaches(e)) {
            --e;
        }
        const int shift = 23 - e; // positive for every accuracy up to 1000
        const int64_t significand = nearest(lines * 1000 << shift, moves);
        thousandths = nearest(significand * 1000, int64_t(1) << shift);
    }
    const std::string decimals = std::to_string(thousandths % 1000);
    const std::string text =
        std::to_string(thousandths / 1000) + "." + std::string(3 - decimals.size(), '0') + decimals;
    return std::string(10 - text.size(), ' ') + text;
}

void expect_invariants(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(control(IDC_LINES_DISPLAY).text,
              std::to_string(game.total_lines) + "*1000/" + std::to_string(game.total_moves));
    if (game.total_moves > 0) {
        EXPECT_EQ(control(IDC_ACCURACY_DISPLAY).text,
                  accuracy_text(game.total_lines, game.total_moves));
    }
    if (game.current_round > game.settings.round_count) {
        return; // the test is over: the board keeps its last position
    }
    EXPECT_EQ(game.ball_count, balls_on_board());
    EXPECT_FALSE(board_has_line_of_five()) << "a line stands while the player is to move";
    EXPECT_EQ(game.preview_count, 5);
    EXPECT_EQ(game.scoring_enabled, 1);
    EXPECT_LE(game.lines_this_round, game.settings.lines_per_round - 1);
}

TEST(WholeTest, TwoRoundsPlayedThroughTheHandlers) {
    reset_engine_fixture();
    reset_fake_panel();
    control(IDC_ROUNDS).text = "2";
    control(IDC_LINES_PER_ROUND).text = "3";
    control(IDC_COLOURS_7).checked = false;
    control(IDC_COLOURS_2).checked = true;
    fake_panel.list_selection = 1; // 30 balls
    fake_panel.time = 1765300000;

    new_test();
    ASSERT_EQ(game.settings.initial_ball_count, 30);
    ASSERT_EQ(game.settings.colour_count, 2);
    expect_invariants("after New");

    int rounds_seen = 1;
    for (int clicks = 0; clicks < 4000 && game.current_round <= game.settings.round_count;
         clicks += 2) {
        const Move move = choose_move();
        ASSERT_GE(move.from_column, 0) << "no move left";
        const int round_before = game.current_round;
        const int lines_before = game.total_lines;
        const int moves_before = game.total_moves;

        click_cell(move.from_column, move.from_row);
        ASSERT_EQ(game.selection_active, 1);
        expect_invariants("after selecting");
        click_cell(move.to_column, move.to_row);
        expect_invariants("after moving");

        ASSERT_EQ(game.total_moves, moves_before + 1);
        const bool made_line = game.total_lines == lines_before + 1;
        ASSERT_TRUE(made_line || game.total_lines == lines_before);
        if (game.current_round != round_before) {
            // A round ends exactly with its third line.
            EXPECT_TRUE(made_line);
            EXPECT_EQ(game.total_lines, 3 * round_before);
            ++rounds_seen;
        }
    }
    EXPECT_EQ(game.current_round, 3);
    EXPECT_EQ(rounds_seen, 3);
    EXPECT_EQ(game.total_lines, 6);
    EXPECT_TRUE(control(IDC_INTERNET).enabled);
    EXPECT_FALSE(control(IDC_SKIP).enabled);
}

} // namespace
