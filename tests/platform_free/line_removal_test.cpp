#include "engine/game_state.h"
#include "tests/support/drawing_fake.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// In an expectation picture 'x' marks a cell that must be removed.
struct LineCase {
    const char* name;
    const char* board[8];
    const char* removed[8];
};

const LineCase line_cases[] = {
    {"row",
     {"11111...", "........", "........", "........", "........", "........", "........",
      "2......."},
     {"xxxxx...", "........", "........", "........", "........", "........", "........",
      "........"}},
    {"column at the right edge",
     {"........", "........", "........", ".......3", ".......3", ".......3", ".......3",
      ".......3"},
     {"........", "........", "........", ".......x", ".......x", ".......x", ".......x",
      ".......x"}},
    {"diagonal down to the right",
     {"........", "........", "........", "...4....", "....4...", ".....4..", "......4.",
      ".......4"},
     {"........", "........", "........", "...x....", "....x...", ".....x..", "......x.",
      ".......x"}},
    {"diagonal down to the left",
     {"....5...", "...5....", "..5.....", ".5......", "5.......", "........", "........",
      "........"},
     {"....x...", "...x....", "..x.....", ".x......", "x.......", "........", "........",
      "........"}},
    {"row at the right edge",
     {"........", "........", "........", "........", "........", "........", "........",
      "...11111"},
     {"........", "........", "........", "........", "........", "........", "........",
      "...xxxxx"}},
    {"diagonal down to the left into the bottom corner",
     {"........", "........", "........", ".......6", "......6.", ".....6..", "....6...",
      "...6...."},
     {"........", "........", "........", ".......x", "......x.", ".....x..", "....x...",
      "...x...."}},
    {"six in a row",
     {"........", "........", "........", "........", "........", ".666666.", "........",
      "........"},
     {"........", "........", "........", "........", "........", ".xxxxxx.", "........",
      "........"}},
    {"eight in a column",
     {"7.......", "7.......", "7.......", "7.......", "7.......", "7.......", "7.......",
      "7......."},
     {"x.......", "x.......", "x.......", "x.......", "x.......", "x.......", "x.......",
      "x......."}},
    {"row and diagonal sharing a ball",
     {"2.......", ".2......", "..2.....", "...2....", "22222...", "........", "........",
      "........"},
     {"x.......", ".x......", "..x.....", "...x....", "xxxxx...", "........", "........",
      "........"}},
    {"run of four and broken runs stay",
     {"1111.111", "2.......", "2.......", "2.......", "2.......", "3.......", "3.......",
      "13131313"},
     {"........", "........", "........", "........", "........", "........", "........",
      "........"}},
};

class LineRemoval : public testing::TestWithParam<LineCase> {};

TEST_P(LineRemoval, RemovesExactlyTheRunsOfFiveOrMoreAsOneLine) {
    const LineCase& line = GetParam();
    reset_engine_fixture();
    set_board_picture(line.board);
    game.scoring_enabled = 1;
    const int before = game.ball_count;

    int expected_removed = 0;
    for (int r = 0; r < 8; ++r) {
        for (const char* p = line.removed[r]; *p; ++p) {
            expected_removed += *p == 'x';
        }
    }

    EXPECT_EQ(remove_lines(), expected_removed > 0 ? 1 : 0);
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            const bool gone = line.removed[r][c] == 'x';
            const uint8_t expected =
                gone ? 0 : uint8_t(line.board[r][c] == '.' ? 0 : line.board[r][c] - '0');
            EXPECT_EQ(game.board[cell_index(c, r)], expected) << "cell " << c << "," << r;
            EXPECT_EQ(game.marks[cell_index(c, r)], 0);
        }
    }
    EXPECT_EQ(game.ball_count, before - expected_removed);
    EXPECT_EQ(int(calls_of(DrawingCall::erase).size()), expected_removed);
    EXPECT_EQ(game.total_lines, expected_removed > 0 ? 1 : 0);
    EXPECT_EQ(game.lines_this_round, expected_removed > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineRemoval, testing::ValuesIn(line_cases),
                         [](const testing::TestParamInfo<LineCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name) {
                                 if (!isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

TEST(LineRemovalUncounted, ReturnsCellsToTheFreeListWithoutCountingOrOverflowing) {
    reset_engine_fixture();
    const char* const rows[8] = {"11111...", "........", "........", "........",
                                 "........", "........", "........", "........"};
    set_board_picture(rows);
    game.scoring_enabled = 0;
    game.free_last = 60;
    EXPECT_EQ(remove_lines(), 1);
    EXPECT_EQ(game.free_last, 63);
    EXPECT_EQ(game.total_lines, 0);
    EXPECT_EQ(game.lines_this_round, 0);
    EXPECT_EQ(game.free_columns[61], 0);
    EXPECT_EQ(game.free_rows[61], 0);
    EXPECT_EQ(game.free_columns[63], 2);
    EXPECT_EQ(game.ball_count, 0);
}

} // namespace
