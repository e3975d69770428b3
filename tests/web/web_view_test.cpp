// The module as a view of the referee: clicks judged as the program judges them, the wanted
// move drawn at once and handed to the page, and nothing played without the referee.
#include "tests/support/page_stand_in.h"
#include "web/board_view.h"
#include "web/module_exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using Rgba = std::array<int, 4>;
const Rgba grey = {205, 205, 205, 255};
const int red = 1;
const int blue = 0;

int click_cell(int column, int row) {
    return trivelle_click(trivelle_cell_x(column), trivelle_cell_y(row));
}

// The pixel of a board ball's smallest disc on the 700 x 530 layout (radius 26, offset 9, the
// disc's one pixel up and left of the highlight point): red is shade 40 (255, 200, 200) drawn
// normally and shade 1 (255, 5, 5) inside out, blue likewise.
Rgba highlight(int column, int row) {
    const int x = trivelle_cell_x(column) - 10;
    const int y = trivelle_cell_y(row) - 10;
    const auto* bytes = reinterpret_cast<const uint8_t*>(trivelle_pixels());
    const size_t at = (size_t(y) * size_t(trivelle_width()) + size_t(x)) * 4;
    return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
}
const Rgba red_normal = {255, 200, 200, 255};
const Rgba red_selected = {255, 5, 5, 255};

int balls_on_view() {
    int count = 0;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            count += view_cell(column, row) != 0;
        }
    }
    return count;
}

// A running test's board, as a start answer draws it:
//   row 0: four reds at columns 0..3, a blue at 6
//   red at (5, 1); blue walls at (6, 7) and (7, 6) shut the corner (7, 7) off.
class WebView : public testing::Test {
  protected:
    void SetUp() override {
        reset_page_mirror();
        ASSERT_EQ(trivelle_start(700, 530), 1);
        trivelle_new_board();
        for (int column = 0; column < 4; ++column) {
            trivelle_put_ball(column, 0, red);
        }
        trivelle_put_ball(6, 0, blue);
        trivelle_put_ball(5, 1, red);
        trivelle_put_ball(6, 7, blue);
        trivelle_put_ball(7, 6, blue);
        trivelle_answered(0);
    }
};

TEST_F(WebView, AClickOnABallSelectsItAndAnotherBallTakesTheSelectionOver) {
    EXPECT_EQ(click_cell(5, 1), -1);
    EXPECT_TRUE(view_selected(5, 1));
    EXPECT_EQ(highlight(5, 1), red_selected);

    const std::vector<uint32_t> selected(trivelle_pixels(),
                                         trivelle_pixels() + trivelle_pixels_bytes() / 4);
    EXPECT_EQ(click_cell(5, 1), -1); // the selected ball again: nothing changes
    EXPECT_TRUE(view_selected(5, 1));
    EXPECT_TRUE(std::equal(selected.begin(), selected.end(), trivelle_pixels()));

    EXPECT_EQ(click_cell(6, 0), -1);
    EXPECT_TRUE(view_selected(6, 0));
    EXPECT_FALSE(view_selected(5, 1));
    EXPECT_EQ(highlight(5, 1), red_normal);
}

TEST_F(WebView, ClicksThatMoveNothingLeaveTheSelectionAsItWas) {
    ASSERT_EQ(click_cell(5, 1), -1);
    struct Click {
        int x, y;
        const char* what;
    };
    const Click clicks[] = {
        {trivelle_cell_x(7), trivelle_cell_y(7), "an empty cell walled off"},
        {trivelle_cell_x(0) - 40, trivelle_cell_y(3), "left of the grid"},
        {trivelle_cell_x(3), trivelle_cell_y(0) - 40, "above the grid"},
        {trivelle_cell_x(7) + 40, trivelle_cell_y(3), "right of the grid"},
        {trivelle_cell_x(-2), trivelle_cell_y(4), "the preview column"},
        {-1, trivelle_cell_y(3), "off the canvas"},
        {trivelle_cell_x(3), 530, "below the canvas"},
        {2147483647, -2147483647 - 1, "far off"},
    };
    for (const Click& c : clicks) {
        EXPECT_EQ(trivelle_click(c.x, c.y), -1) << c.what;
        EXPECT_TRUE(view_selected(5, 1)) << c.what;
    }
    EXPECT_EQ(view_cell(7, 7), 0);
}

TEST_F(WebView, AReachableCellGivesTheMoveDrawnAtOnceAndNothingMoreUntilTheAnswer) {
    ASSERT_EQ(click_cell(5, 1), -1);
    // The move that makes five reds in a row: the view plays nothing of what follows.
    EXPECT_EQ(click_cell(4, 0), 5 << 12 | 1 << 8 | 4 << 4 | 0);
    EXPECT_EQ(view_cell(5, 1), 0);
    EXPECT_EQ(view_cell(4, 0), red + 1);
    EXPECT_EQ(highlight(4, 0), red_normal);
    EXPECT_EQ(highlight(5, 1), grey);
    EXPECT_FALSE(view_selected(4, 0));
    EXPECT_EQ(balls_on_view(), 8);

    // Until the answer no click counts.
    EXPECT_EQ(click_cell(6, 0), -1);
    EXPECT_FALSE(view_selected(6, 0));

    // The referee's answer: the line goes, then the settled board takes clicks again.
    trivelle_take_ball(5, 1);
    trivelle_put_ball(4, 0, red);
    for (int column = 0; column < 5; ++column) {
        trivelle_take_ball(column, 0);
    }
    trivelle_answered(0);
    EXPECT_EQ(balls_on_view(), 3);
    EXPECT_EQ(click_cell(6, 0), -1);
    EXPECT_TRUE(view_selected(6, 0));
    EXPECT_EQ(click_cell(0, 0), 6 << 12 | 0 << 8 | 0 << 4 | 0);
}

TEST_F(WebView, AMoveTakenBackStandsInItsCellUnselectedAndClicksCountAgain) {
    EXPECT_EQ(trivelle_take_back(), 0);
    ASSERT_EQ(click_cell(5, 1), -1);
    ASSERT_NE(click_cell(5, 5), -1);
    EXPECT_EQ(trivelle_take_back(), 1);
    EXPECT_EQ(view_cell(5, 1), red + 1);
    EXPECT_EQ(view_cell(5, 5), 0);
    EXPECT_EQ(highlight(5, 1), red_normal);
    EXPECT_EQ(highlight(5, 5), grey);
    EXPECT_FALSE(view_selected(5, 1));
    EXPECT_EQ(trivelle_take_back(), 0);
    EXPECT_EQ(click_cell(5, 1), -1);
    EXPECT_TRUE(view_selected(5, 1));
}

TEST_F(WebView, BeforeATestAndAfterItClicksChangeNothing) {
    trivelle_answered(1); // the test is over
    EXPECT_EQ(click_cell(5, 1), -1);
    EXPECT_FALSE(view_selected(5, 1));

    ASSERT_EQ(trivelle_start(700, 530), 1); // no test yet
    trivelle_put_ball(0, 0, red);
    EXPECT_EQ(click_cell(0, 0), -1);
    EXPECT_FALSE(view_selected(0, 0));
}

TEST_F(WebView, AStepOnTheSelectedBallOrANewBoardEndsTheSelection) {
    ASSERT_EQ(click_cell(5, 1), -1);
    trivelle_take_ball(5, 1);
    EXPECT_FALSE(view_selected(5, 1));

    ASSERT_EQ(click_cell(6, 0), -1);
    trivelle_new_board();
    EXPECT_FALSE(view_selected(6, 0));
    EXPECT_EQ(balls_on_view(), 0);
    EXPECT_EQ(highlight(6, 0), grey);
}

TEST_F(WebView, StepsOutsideTheBoardAreRefusedWithNothingChanged) {
    const int bad_puts[][3] = {{8, 0, red}, {0, 8, red}, {-1, 0, red}, {4, 4, 7}, {4, 4, -1}};
    for (const auto& put : bad_puts) {
        EXPECT_EQ(trivelle_put_ball(put[0], put[1], put[2]), 0);
    }
    EXPECT_EQ(trivelle_take_ball(0, -1), 0);
    EXPECT_EQ(trivelle_take_ball(8, 8), 0);
    const int bad_previews[][2] = {{-1, 0}, {5, 0}, {0, 7}, {0, -2}};
    for (const auto& preview : bad_previews) {
        EXPECT_EQ(trivelle_set_preview(preview[0], preview[1]), 0);
    }
    EXPECT_EQ(balls_on_view(), 8);
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(view_preview(slot), -1);
    }
}

} // namespace
