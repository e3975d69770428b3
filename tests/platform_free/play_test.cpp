#include "engine/game_state.h"
#include "engine/panel_phases.h"
#include "engine/play.h"
#include "resources/control_ids.h"
#include "tests/support/drawing_fake.h"
#include "tests/support/panel_fake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace {

int cell_x(int c) { return 100 + 10 * c; }
int cell_y(int r) { return 100 + 10 * r; }
void click_cell(int c, int r) { click_board_at(cell_x(c), cell_y(r)); }

// A running test: round 1 of 5, 12 lines a round, 42 balls of 7 colours.
void start_running_fixture(const char* const board[8]) {
    reset_engine_fixture();
    reset_fake_panel();
    game.settings.initial_ball_count = 42;
    game.settings.colour_count = 7;
    game.settings.round_count = 5;
    game.settings.lines_per_round = 12;
    game.current_round = 1;
    game.scoring_enabled = 1;
    control(IDC_NEW).enabled = false;
    control(IDC_SKIP).enabled = true;
    set_board_picture(board);
}

const char* const three_balls[8] = {"1.......", "........", "........", "........",
                                    "....2...", "........", "........", ".......3"};

struct ClickCase {
    int x, y;
    int column, row; // the selected cell, or -1 when the click is ignored
};

TEST(BoardClick, MapsPointsToCellsAndIgnoresEverythingOutsideTheGrid) {
    const ClickCase cases[] = {
        {95, 95, 0, 0},        {104, 104, 0, 0},  {174, 174, 7, 7},
        {140, 141, 4, 4},      {94, 100, -1, -1}, // dx = -1 would divide to column 0
        {100, 94, -1, -1},                        // dy = -1
        {175, 170, -1, -1},                       // column 8
        {170, 175, -1, -1},                       // row 8
        {-32768, 100, -1, -1},
    };
    for (const ClickCase& c : cases) {
        start_running_fixture(three_balls);
        click_board_at(c.x, c.y);
        SCOPED_TRACE(testing::Message() << "click " << c.x << "," << c.y);
        if (c.column < 0) {
            EXPECT_EQ(game.selection_active, 0);
            EXPECT_TRUE(drawing_calls.empty());
        } else {
            EXPECT_EQ(game.selection_active, 1);
            EXPECT_EQ(game.selected_column, c.column);
            EXPECT_EQ(game.selected_row, c.row);
        }
    }
}

TEST(BoardClick, NothingChangesBeforeAnyTestOrAfterTheTest) {
    start_running_fixture(three_balls);
    reset_game_state(); // program start: round 1 of 10, empty board
    click_cell(0, 0);
    EXPECT_EQ(game.selection_active, 0);

    start_running_fixture(three_balls);
    game.current_round = game.settings.round_count + 1;
    click_cell(0, 0);
    click_cell(1, 0);
    EXPECT_EQ(game.selection_active, 0);
    EXPECT_TRUE(drawing_calls.empty());
}

TEST(BoardClick, SelectionRules) {
    const char* const board[8] = {"1.3.....", "..3.....", "333.....", "........",
                                  "....2...", "4.......", "........", "........"};
    start_running_fixture(board);

    click_cell(0, 0);
    ASSERT_EQ(drawing_calls.size(), 1u);
    EXPECT_EQ(drawing_calls[0].style, BallStyle::selected);
    EXPECT_EQ(drawing_calls[0].colour, 0);
    EXPECT_EQ(game.marks[cell_index(1, 0)], 1);
    EXPECT_EQ(game.marks[cell_index(7, 7)], 0) << "walled off by the 3s";

    drawing_calls.clear();
    click_cell(0, 0);
    EXPECT_TRUE(drawing_calls.empty()) << "the selected ball clicked again stays selected";
    EXPECT_EQ(game.selection_active, 1);

    click_cell(7, 7);
    EXPECT_TRUE(drawing_calls.empty()) << "a walled-off empty cell does nothing";
    EXPECT_EQ(game.selected_column, 0);

    click_cell(4, 4);
    ASSERT_EQ(drawing_calls.size(), 2u);
    EXPECT_EQ(drawing_calls[0].x, cell_x(0));
    EXPECT_EQ(drawing_calls[0].style, BallStyle::normal);
    EXPECT_EQ(drawing_calls[1].x, cell_x(4));
    EXPECT_EQ(drawing_calls[1].style, BallStyle::selected);
    EXPECT_EQ(game.marks[cell_index(1, 0)], 0) << "fresh marks for the new selection";
    EXPECT_EQ(game.marks[cell_index(7, 7)], 1);
    EXPECT_EQ(game.marks[cell_index(4, 4)], 0) << "the start cell is not marked";

    // Another ball in the selected ball's column is another ball, not the selected one.
    click_cell(0, 0);
    drawing_calls.clear();
    click_cell(0, 5);
    EXPECT_EQ(game.selected_column, 0);
    EXPECT_EQ(game.selected_row, 5);
    ASSERT_EQ(drawing_calls.size(), 2u);
    EXPECT_EQ(drawing_calls[0].y, cell_y(0));
    EXPECT_EQ(drawing_calls[0].style, BallStyle::normal);
    EXPECT_EQ(drawing_calls[1].y, cell_y(5));
    EXPECT_EQ(drawing_calls[1].colour, 3);
    EXPECT_EQ(drawing_calls[1].style, BallStyle::selected);
}

struct ReachCase {
    const char* name;
    int column, row;
    const char* board[8]; // digits are balls
    const char* marks[8]; // 'm' marks a reachable cell
};

const ReachCase reach_cases[] = {
    {"boxed in",
     0,
     0,
     {"11......", "1.......", "........", "........", "........", "........", "........",
      "........"},
     {"........", "........", "........", "........", "........", "........", "........",
      "........"}},
    {"corridor",
     0,
     0,
     {"1.2.....", "22.2....", "..2.....", "........", "........", "........", "........",
      "........"},
     {".m......", "........", "........", "........", "........", "........", "........",
      "........"}},
    {"pocket behind a wall",
     3,
     3,
     {"......2.", "......2.", "......22", "...1....", "........", "........", "........",
      "........"},
     {"mmmmmm..", "mmmmmm..", "mmmmmm..", "mmm.mmmm", "mmmmmmmm", "mmmmmmmm", "mmmmmmmm",
      "mmmmmmmm"}},
};

TEST(Reachability, MarksEveryEmptyCellConnectedByEdges) {
    for (const ReachCase& c : reach_cases) {
        SCOPED_TRACE(c.name);
        start_running_fixture(c.board);
        click_cell(c.column, c.row);
        for (int r = 0; r < 8; ++r) {
            for (int col = 0; col < 8; ++col) {
                EXPECT_EQ(game.marks[cell_index(col, r)], c.marks[r][col] == 'm' ? 1 : 0)
                    << "cell " << col << "," << r;
            }
        }
    }
}

TEST(Moves, AMoveWithoutALineAddsOnlyAMove) {
    start_running_fixture(three_balls);
    game.random_state = 77;
    click_cell(0, 0);
    drawing_calls.clear();
    click_cell(3, 5);
    EXPECT_EQ(game.board[cell_index(0, 0)], 0);
    EXPECT_EQ(game.board[cell_index(3, 5)], 1);
    EXPECT_EQ(game.selection_active, 0);
    EXPECT_EQ(game.total_moves, 1);
    EXPECT_EQ(game.total_lines, 0);
    EXPECT_EQ(game.ball_count, 3);
    EXPECT_EQ(game.random_state, 77u) << "no balls arrive after a move without a line";
    ASSERT_EQ(drawing_calls.size(), 2u);
    EXPECT_EQ(drawing_calls[0].kind, DrawingCall::erase);
    EXPECT_EQ(drawing_calls[0].x, cell_x(0));
    EXPECT_EQ(drawing_calls[0].y, cell_y(0));
    // The ball of value 1 lands in its own colour, 0.
    EXPECT_EQ(drawing_calls[1].kind, DrawingCall::draw);
    EXPECT_EQ(drawing_calls[1].x, cell_x(3));
    EXPECT_EQ(drawing_calls[1].y, cell_y(5));
    EXPECT_EQ(drawing_calls[1].colour, 0);
    EXPECT_EQ(drawing_calls[1].style, BallStyle::normal);
    EXPECT_EQ(control(IDC_LINES_DISPLAY).text, "0*1000/1");
    EXPECT_EQ(control(IDC_ACCURACY_DISPLAY).text, "     0.000");
}

// A row and a diagonal of 5s completed at once by moving the ball at (4, 7) to (4, 4).
const char* const cross_line[8] = {"5.......", ".5......", "..5.....", "...5....",
                                   "5555.1..", "........", "...2....", "....5..."};

TEST(Moves, AMoveMakingARowAndADiagonalCountsOneLineAndBringsBalls) {
    // The line takes 9 of the 11 balls and the preview brings 5: 7 stand before the top-up,
    // which then brings 23 balls, or a single one.
    for (int initial : {30, 8}) {
        SCOPED_TRACE(initial);
        start_running_fixture(cross_line);
        game.settings.initial_ball_count = initial;
        click_cell(4, 7);
        click_cell(4, 4);
        EXPECT_EQ(game.total_lines, 1);
        EXPECT_EQ(game.lines_this_round, 1);
        EXPECT_EQ(game.total_moves, 1);
        EXPECT_EQ(game.ball_count, initial) << "preview balls, then a top-up to the initial count";
        EXPECT_EQ(balls_on_board(), initial);
        EXPECT_EQ(game.preview_count, 5);
        EXPECT_EQ(game.scoring_enabled, 1);
        EXPECT_FALSE(board_has_line_of_five());
        EXPECT_EQ(control(IDC_LINES_DISPLAY).text, "1*1000/1");
        EXPECT_EQ(control(IDC_ACCURACY_DISPLAY).text, "  1000.000");
    }
}

TEST(Moves, LinesThatThePreviewBallsMakeDoNotCount) {
    // Moving the 5 at (7, 4) to (4, 4) makes a row of 5s. After seed 0 the first preview ball
    // goes to (2, 6), where in colour 2 it completes a row of 3s.
    const char* const board[8] = {"........", "........", "........", "........",
                                  "5555...5", "........", "...3333.", "........"};
    start_running_fixture(board);
    game.settings.initial_ball_count = 30;
    const int colours[5] = {2, 0, 1, 4, 5};
    std::copy(colours, colours + 5, game.preview_colours);
    rng_seed(0);
    click_cell(7, 4);
    click_cell(4, 4);
    EXPECT_EQ(game.total_lines, 1);
    EXPECT_EQ(game.lines_this_round, 1);
    EXPECT_EQ(control(IDC_LINES_DISPLAY).text, "1*1000/1");
    // The preview's row did form and went.
    for (int c = 2; c <= 6; ++c) {
        EXPECT_TRUE(std::any_of(drawing_calls.begin(), drawing_calls.end(),
                                [&](const DrawingCall& call) {
                                    return call.kind == DrawingCall::erase && call.x == cell_x(c) &&
                                           call.y == cell_y(6);
                                }))
            << "cell " << c << ",6 was not emptied";
    }
}

TEST(Rounds, TheRoundsLastLineEndsItWithoutPreviewBallsAndStartsTheNext) {
    start_running_fixture(cross_line);
    game.settings.lines_per_round = 1;
    for (int i = 0; i < 5; ++i) {
        game.preview_colours[i] = 6;
    }
    click_cell(4, 7);
    drawing_calls.clear();
    click_cell(4, 4);
    EXPECT_EQ(game.current_round, 2);
    EXPECT_EQ(game.total_lines, 1);
    EXPECT_EQ(game.lines_this_round, 0);
    EXPECT_EQ(game.ball_count, 42);
    EXPECT_EQ(balls_on_board(), 42);
    EXPECT_EQ(game.scoring_enabled, 1);
    // Before the fresh board's grid: no preview ball placed, all five slots erased.
    int erased_slots = 0;
    for (const DrawingCall& call : drawing_calls) {
        if (call.kind == DrawingCall::grid) {
            break;
        }
        erased_slots += call.kind == DrawingCall::erase && call.x == 80;
        EXPECT_FALSE(call.kind == DrawingCall::draw && call.colour == 6)
            << "a preview ball was placed";
    }
    EXPECT_EQ(erased_slots, 5);
}

void expect_test_over_controls() {
    for (int id : {IDC_ROUNDS, IDC_LINES_PER_ROUND, IDC_BALL_COUNT_LIST, IDC_SKIP, IDC_NEW}) {
        EXPECT_FALSE(control(id).enabled) << id;
    }
    for (int id : {IDC_INTERNET, IDC_HIDDEN_FIELD, IDC_COUNTRY, IDC_EMAIL, IDC_CITY, IDC_BIRTH_YEAR,
                   IDC_NICKNAME}) {
        EXPECT_TRUE(control(id).enabled) << id;
    }
}

// A one-round test of one line, ended by the move that makes its line.
void play_a_one_line_test() {
    start_running_fixture(cross_line);
    game.settings.round_count = 1;
    game.settings.lines_per_round = 1;
    click_cell(4, 7);
    click_cell(4, 4);
}

TEST(Rounds, TheLastRoundsLastLineEndsTheTest) {
    play_a_one_line_test();
    EXPECT_EQ(game.current_round, 2);
    EXPECT_EQ(game.total_lines, 1);
    EXPECT_EQ(game.board[cell_index(4, 4)], 0) << "the board keeps its last position";
    EXPECT_EQ(game.board[cell_index(5, 4)], 1);
    expect_test_over_controls();
    click_cell(5, 4);
    EXPECT_EQ(game.selection_active, 0) << "clicks after the test are ignored";
}

TEST(Rounds, SkipOnTheLastRoundEndsTheTest) {
    start_running_fixture(three_balls);
    game.settings.round_count = 2;
    skip_round();
    EXPECT_EQ(game.current_round, 2);
    EXPECT_EQ(game.ball_count, 42) << "the next round started";
    skip_round();
    EXPECT_EQ(game.current_round, 3);
    expect_test_over_controls();
}

struct CountTextCase {
    const char* text;
    int expected;
    const char* written_back; // nullptr when the text stays
};

TEST(NewTest, RoundsAndLinesTexts) {
    const CountTextCase rounds[] = {
        {"", 6, "6"},        {"0", 6, "6"},         {"1a", 6, "6"},        {"-3", 6, "6"},
        {"007", 7, nullptr}, {"999", 999, nullptr}, {"1234", 123, nullptr}};
    const CountTextCase lines[] = {{"", 12, "12"},      {"0", 12, "12"},
                                   {"1a", 12, "12"},    {"-3", 12, "12"},
                                   {"007", 7, nullptr}, {"123456", 1234, nullptr}};
    for (const CountTextCase& c : rounds) {
        start_running_fixture(three_balls);
        control(IDC_ROUNDS).text = c.text;
        new_test();
        EXPECT_EQ(game.settings.round_count, c.expected) << '"' << c.text << '"';
        EXPECT_EQ(control(IDC_ROUNDS).text, c.written_back ? c.written_back : c.text);
    }
    for (const CountTextCase& c : lines) {
        start_running_fixture(three_balls);
        control(IDC_LINES_PER_ROUND).text = c.text;
        new_test();
        EXPECT_EQ(game.settings.lines_per_round, c.expected) << '"' << c.text << '"';
        EXPECT_EQ(control(IDC_LINES_PER_ROUND).text, c.written_back ? c.written_back : c.text);
    }
}

TEST(NewTest, StartsFromThePanelsSettings) {
    start_running_fixture(three_balls);
    reset_game_state();
    control(IDC_COLOURS_7).checked = false;
    control(IDC_COLOURS_4).checked = true;
    fake_panel.list_selection = 1;
    new_test();
    EXPECT_EQ(game.settings.colour_count, 4);
    EXPECT_EQ(game.settings.initial_ball_count, 30);
    EXPECT_EQ(game.ball_count, 30);
    EXPECT_EQ(game.settings.round_count, 5);
    EXPECT_EQ(game.settings.lines_per_round, 12);
    EXPECT_EQ(control(IDC_LINES_DISPLAY).text, "0*1000/0");
    EXPECT_EQ(control(IDC_ACCURACY_DISPLAY).text, "0.0");
    for (int id : {IDC_NEW, IDC_INTERNET, IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND,
                   IDC_COLOURS_2, IDC_COLOURS_7, IDC_NICKNAME, IDC_EMAIL}) {
        EXPECT_FALSE(control(id).enabled) << id;
    }
    EXPECT_TRUE(control(IDC_SKIP).enabled);

    start_running_fixture(three_balls);
    control(IDC_COLOURS_7).checked = false;
    fake_panel.list_selection = -1;
    new_test();
    EXPECT_EQ(game.settings.colour_count, 7) << "no radio checked";
    EXPECT_EQ(game.settings.initial_ball_count, 28) << "no list selection";
    EXPECT_EQ(balls_on_board(), 28);
}

constexpr int colour_radios[] = {IDC_COLOURS_2, IDC_COLOURS_3, IDC_COLOURS_4,
                                 IDC_COLOURS_5, IDC_COLOURS_6, IDC_COLOURS_7};

// The radios are asked from "2" to "7" and the last checked one wins; with none checked the
// test plays seven colours, whatever the test before it played.
TEST(NewTest, ColourCountIsTheLastCheckedRadioOrSevenWithoutOne) {
    struct Case {
        std::vector<int> checked;
        int colours;
    };
    const Case cases[] = {
        {{}, 7},
        {{IDC_COLOURS_2}, 2},
        {{IDC_COLOURS_3}, 3},
        {{IDC_COLOURS_4}, 4},
        {{IDC_COLOURS_5}, 5},
        {{IDC_COLOURS_6}, 6},
        {{IDC_COLOURS_7}, 7},
        {{IDC_COLOURS_3, IDC_COLOURS_6}, 6},
        {{IDC_COLOURS_6, IDC_COLOURS_7}, 7},
        {{IDC_COLOURS_2, IDC_COLOURS_4}, 4},
    };
    for (const Case& c : cases) {
        start_running_fixture(three_balls);
        game.settings.colour_count = 5; // the previous test's
        for (int id : colour_radios) {
            control(id).checked = false;
        }
        for (int id : c.checked) {
            control(id).checked = true;
        }
        new_test();
        EXPECT_EQ(game.settings.colour_count, c.colours) << c.checked.size() << " radios checked";
    }
}

// Radio "2" is enabled again after a test only where that test's ball count allows two
// colours (at most 32); the other radios always are. New disables all six, and they stay
// disabled until the result is sent. Each test starts from the panel the previous one left.
TEST(NewTest, RadiosAfterTestsOfEachBallCountClass) {
    reset_engine_fixture();
    reset_fake_panel();
    control(IDC_ROUNDS).text = "1";
    control(IDC_COLOURS_7).checked = false;
    control(IDC_COLOURS_3).checked = true;
    const struct {
        int balls;
        bool two_colours;
    } tests[] = {{32, true}, {33, false}, {29, true}, {59, false}, {33, false}, {30, true}};
    for (const auto& test : tests) {
        SCOPED_TRACE(testing::Message() << test.balls << " balls");
        fake_panel.list_selection = test.balls - 29;
        new_test();
        for (int id : colour_radios) {
            EXPECT_FALSE(control(id).enabled) << "while the test runs: " << id;
        }
        skip_round();
        ASSERT_TRUE(control(IDC_INTERNET).enabled) << "the test is over";
        for (int id : colour_radios) {
            EXPECT_FALSE(control(id).enabled) << "once the test is over: " << id;
        }
        // What sending the result does to the settings; radio "7" was disabled before.
        EXPECT_TRUE(enter_panel_phase(PanelPhase::result_sent));
        EXPECT_EQ(control(IDC_COLOURS_2).enabled, test.two_colours);
        for (int id : {IDC_COLOURS_3, IDC_COLOURS_4, IDC_COLOURS_5, IDC_COLOURS_6, IDC_COLOURS_7,
                       IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND}) {
            EXPECT_TRUE(control(id).enabled) << "after sending: " << id;
        }
    }
}

TEST(NewTest, AfterAFinishedTestTheScoreStartsFromNothingAndTheResultIsLocked) {
    play_a_one_line_test();
    ASSERT_EQ(game.current_round, 2) << "the test is over";
    ASSERT_EQ(control(IDC_LINES_DISPLAY).text, "1*1000/1");
    new_test();
    // Sending the result left Internet and the player's fields enabled; New locks them.
    for (int id : {IDC_INTERNET, IDC_HIDDEN_FIELD, IDC_COUNTRY, IDC_EMAIL, IDC_CITY, IDC_BIRTH_YEAR,
                   IDC_NICKNAME}) {
        EXPECT_FALSE(control(id).enabled) << id;
    }
    EXPECT_TRUE(control(IDC_SKIP).enabled);
    EXPECT_EQ(game.current_round, 1);
    EXPECT_EQ(game.total_lines, 0);
    EXPECT_EQ(game.total_moves, 0);
    EXPECT_EQ(control(IDC_LINES_DISPLAY).text, "0*1000/0");
    EXPECT_EQ(control(IDC_ACCURACY_DISPLAY).text, "0.0");
}

TEST(NewTest, TheSameClockGivesTheSameBoard) {
    uint8_t first[64];
    for (int run = 0; run < 2; ++run) {
        start_running_fixture(three_balls);
        fake_panel.time = 1765000000;
        new_test();
        if (run == 0) {
            std::copy(game.board, game.board + 64, first);
        } else {
            EXPECT_TRUE(std::equal(first, first + 64, game.board));
        }
    }
}

TEST(Score, Texts) {
    struct Case {
        int lines, moves;
        const char* fraction;
        const char* accuracy;
    };
    const Case cases[] = {{0, 0, "0*1000/0", "0.0"},
                          {1, 3, "1*1000/3", "   333.333"},
                          {0, 5, "0*1000/5", "     0.000"},
                          {2, 3, "2*1000/3", "   666.667"},
                          {7, 7000, "7*1000/7000", "     1.000"},
                          // 518.5185... is the single 518.51849..., not 518.519.
                          {14, 27, "14*1000/27", "   518.518"}};
    for (const Case& c : cases) {
        reset_fake_panel();
        control(IDC_ACCURACY_DISPLAY).text = "0.0";
        game.total_lines = c.lines;
        game.total_moves = c.moves;
        show_score();
        EXPECT_EQ(control(IDC_LINES_DISPLAY).text, c.fraction);
        EXPECT_EQ(control(IDC_ACCURACY_DISPLAY).text, c.accuracy);
    }
}

TEST(Cursor, CrossWhenTheNextLineEndsTheRound) {
    struct Case {
        int lines_this_round, lines_per_round;
        BoardCursor expected;
    };
    const Case cases[] = {{0, 1, BoardCursor::cross},
                          {0, 12, BoardCursor::arrow},
                          {11, 12, BoardCursor::cross},
                          {10, 12, BoardCursor::arrow},
                          // A stored record may hold any count until New reads the panel.
                          {0, 0, BoardCursor::arrow},
                          {0, -1, BoardCursor::arrow},
                          {0, INT32_MIN, BoardCursor::arrow}};
    for (const Case& c : cases) {
        game.lines_this_round = c.lines_this_round;
        game.settings.lines_per_round = c.lines_per_round;
        choose_board_cursor();
        EXPECT_EQ(fake_panel.cursor, c.expected);
    }

    // With one line a round the cross shows from the start of every round.
    start_running_fixture(three_balls);
    fake_panel.list_selection = 13;
    control(IDC_LINES_PER_ROUND).text = "1";
    new_test();
    EXPECT_EQ(fake_panel.cursor, BoardCursor::cross);
}

} // namespace
