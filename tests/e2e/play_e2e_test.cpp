// Plays the real program with real mouse clicks: New, then moves read off screenshots,
// until the test is over, checking the panel's controls in every phase.
#include "resources/control_ids.h"
#include "tests/e2e/board_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace {

void expect_enabled(std::initializer_list<int> ids, bool enabled, const char* phase) {
    for (int id : ids) {
        const auto state = control_state(id);
        ASSERT_TRUE(state) << id;
        EXPECT_EQ(state->enabled, enabled) << phase << ": control " << id;
    }
}

std::string text_of(int id) {
    const auto state = control_state(id);
    return state ? state->text : "";
}

TEST_F(ProgramTest, PlaysAWholeTestWithRealClicks) {
    ASSERT_TRUE(start_program({}));
    const auto area = board_area();
    ASSERT_TRUE(area);

    const std::initializer_list<int> player_fields = {IDC_NICKNAME, IDC_COUNTRY, IDC_CITY,
                                                      IDC_BIRTH_YEAR, IDC_EMAIL};
    expect_enabled({IDC_NEW, IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND, IDC_COLOURS_3,
                    IDC_COLOURS_7},
                   true, "after start-up");
    expect_enabled({IDC_INTERNET, IDC_COLOURS_2}, false, "after start-up");
    expect_enabled(player_fields, false, "after start-up");

    ASSERT_TRUE(set_edit_text(IDC_ROUNDS, "2"));
    ASSERT_TRUE(set_edit_text(IDC_LINES_PER_ROUND, "1"));
    ASSERT_TRUE(click_control(IDC_COLOURS_3));
    ASSERT_TRUE(click_control(IDC_NEW));

    expect_enabled({IDC_NEW, IDC_INTERNET, IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND,
                    IDC_COLOURS_2, IDC_COLOURS_3, IDC_COLOURS_7},
                   false, "test running");
    expect_enabled(player_fields, false, "test running");

    Screenshot shot = take_screenshot();
    Board board = read_board(shot, *area);
    EXPECT_EQ(balls(board), 42);
    for (int v : board) {
        EXPECT_TRUE(v == empty_cell || (v >= 0 && v < 3)) << "three colours only, got " << v;
    }
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_GE(
            pixel_colour(shot, *area, cell0_x - 2 * cell_size, cell0_y + (slot + 3) * cell_size), 0)
            << "preview slot " << slot;
    }
    EXPECT_EQ(text_of(IDC_LINES_DISPLAY), "0*1000/0");

    int moves = 0, lines = 0;
    while (lines < 2 && moves < 60) {
        const Move move = best_move(board);
        ASSERT_GE(move.from, 0) << "no move on the board read back";
        ASSERT_TRUE(click_cell(move.from)) << "selecting changes the ball's picture";
        if (moves == 2) {
            save_screenshot(std::string(TRIVELLE_TEST_RESULTS) + "/e2e-game-in-progress.png");
        }
        shot = take_screenshot();
        EXPECT_EQ(pixel_colour(shot, *area, cell0_x + move.from / 8 * cell_size,
                               cell0_y + move.from % 8 * cell_size),
                  board[move.from])
            << "the selected ball keeps its colour";
        ASSERT_TRUE(click_cell(move.to));
        ++moves;
        const Board before = board;
        shot = take_screenshot();
        board = read_board(shot, *area);

        char fraction[32];
        if (move.run >= 5) {
            ++lines;
        } else {
            Board expected = before;
            expected[move.to] = expected[move.from];
            expected[move.from] = empty_cell;
            EXPECT_EQ(board, expected) << "a move without a line only moves the ball";
        }
        std::snprintf(fraction, sizeof fraction, "%d*1000/%d", lines, moves);
        ASSERT_EQ(text_of(IDC_LINES_DISPLAY), fraction);
        if (lines == 1 && move.run >= 5) {
            EXPECT_EQ(balls(board), 42) << "the second round starts on a full fresh board";
            expect_enabled({IDC_NEW, IDC_INTERNET}, false, "second round");
        }
    }
    ASSERT_EQ(lines, 2) << "the test did not end within 60 moves";

    // Test over: the board keeps its last position, the result can be sent.
    expect_enabled({IDC_INTERNET}, true, "test over");
    expect_enabled(player_fields, true, "test over");
    expect_enabled({IDC_NEW, IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND, IDC_COLOURS_3},
                   false, "test over");
    char accuracy[32];
    std::snprintf(accuracy, sizeof accuracy, "%10.3f", float(2.0 / moves * 1000.0));
    EXPECT_EQ(text_of(IDC_ACCURACY_DISPLAY), accuracy);

    // Clicks after the test change nothing.
    const Board final_board = board;
    const int ball =
        int(std::find_if(board.begin(), board.end(), [](int v) { return v >= 0; }) - board.begin());
    EXPECT_FALSE(click_cell(ball)) << "a ball was selected after the test";
    EXPECT_EQ(read_board(take_screenshot(), *area), final_board);
    save_screenshot(std::string(TRIVELLE_TEST_RESULTS) + "/e2e-test-over.png");
    EXPECT_TRUE(stop_program()) << "Wine logged an exception";
}

} // namespace
