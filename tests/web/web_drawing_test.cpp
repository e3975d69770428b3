// The browser's board drawing: the board fitted to the page's box, the grid, empty cells and
// shaded balls in RGBA, and a board drawn again whole after a resize.
#include "render/geometry.h"
#include "tests/support/page_stand_in.h"
#include "web/module_exports.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Rgba = std::array<int, 4>;
const Rgba background = {0, 55, 111, 255};
const Rgba grey = {205, 205, 205, 255};

// The pixel's four bytes as the page reads them from memory.
Rgba rgba_at(int x, int y) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(trivelle_pixels());
    const size_t at = (size_t(y) * size_t(trivelle_width()) + size_t(x)) * 4;
    return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
}

std::vector<uint32_t> canvas_copy() {
    const uint32_t* p = trivelle_pixels();
    return std::vector<uint32_t>(p, p + trivelle_pixels_bytes() / 4);
}

struct Fit {
    int box_width, box_height;
    int canvas_width, canvas_height;
    int half_cell, cell_size, ball_radius;
    int crossing_x, crossing_y; // the grid's top-left crossing on the canvas
};

TEST(WebLayout, TheBoardTakesTheLargestCellsWhoseBoxFitsAndStopsWhereBallsStopGrowing) {
    // Worked by hand. 700 x 530: cells of 58 make a box of 12 * 58 + 1 = 697 by
    // 9 * 58 + 1 = 523 (60 would need 721); the narrowest screen with half cell 28 is 800
    // wide, so the grid starts at 800 * 0.182 - 1 = 145 and, on a screen 530 high, at
    // (530 - 55 - 464) / 2 - 1 = 4; the box is centred: 1 and 3 pixels spare, so the crossing
    // stands at 1 + 3 * 58 = 175 and 3 + 29 = 32.
    const Fit fits[] = {
        {700, 530, 700, 530, 28, 58, 26, 175, 32},
        {800, 600, 800, 600, 32, 66, 30, 201, 35},
        {390, 300, 390, 300, 15, 32, 13, 98, 21},
        // Half cell 42 is the last whose balls grow (radius 40): the canvas shrinks to its
        // box of 1033 x 775 in the box's proportions, 3000 * 775 / 2000 rounded up.
        {3000, 2000, 1163, 775, 42, 86, 40, 323, 43},
        {4096, 4096, 1033, 1033, 42, 86, 40, 258, 172},
        // One pixel short of the next cells' box: the largest canvas there is.
        {1056, 4096, 1056, 4096, 42, 86, 40, 269, 1703},
        // Too small for the smallest sound board (half cell 4): it is cut at the edges.
        {100, 80, 100, 80, 4, 10, 2, 20, 0},
    };
    for (const Fit& f : fits) {
        SCOPED_TRACE(testing::Message() << f.box_width << "x" << f.box_height);
        reset_page_mirror();
        ASSERT_EQ(trivelle_start(f.box_width, f.box_height), 1);
        EXPECT_EQ(trivelle_width(), f.canvas_width);
        EXPECT_EQ(trivelle_height(), f.canvas_height);
        EXPECT_EQ(trivelle_pixels_bytes(), f.canvas_width * f.canvas_height * 4);
        EXPECT_EQ(geometry.half_cell, f.half_cell);
        EXPECT_EQ(trivelle_cell_pitch(), f.cell_size);
        EXPECT_EQ(geometry.ball_radius, f.ball_radius);
        EXPECT_EQ(trivelle_cell_x(0), f.crossing_x + f.half_cell + 1);
        EXPECT_EQ(trivelle_cell_y(0), f.crossing_y + f.half_cell + 1);
        EXPECT_EQ(trivelle_cell_x(7), f.crossing_x + f.half_cell + 1 + 7 * f.cell_size);
        // Before the first board the canvas shows the background alone.
        const std::vector<uint32_t> pixels = canvas_copy();
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_EQ(pixels[i], 0xFF6F3700u) << i;
        }
        trivelle_new_board();
        if (f.crossing_y > 0) {
            EXPECT_EQ(rgba_at(f.crossing_x, f.crossing_y), background);
            EXPECT_EQ(rgba_at(f.crossing_x + 1, f.crossing_y + 1), grey);
            EXPECT_EQ(rgba_at(f.crossing_x, f.crossing_y - 1), background);
            EXPECT_EQ(rgba_at(f.crossing_x - 1, f.crossing_y + 1), background);
        }
    }
}

// A 700 x 530 box (above): cell (c, r) is centred at (204 + 58 c, 61 + 58 r); balls have
// radius 26, highlight offset 9 and 41 discs, on shade ramps of 41 steps of 235 / 41 = 5.
class WebDrawing : public testing::Test {
  protected:
    void SetUp() override {
        reset_page_mirror();
        ASSERT_EQ(trivelle_start(700, 530), 1);
        trivelle_new_board();
    }
};

TEST_F(WebDrawing, ANewBoardShowsGreyCellsBetweenTheGridLines) {
    struct Point {
        int x, y;
        Rgba colour;
    };
    const Point points[] = {
        {175, 32, background},  // the top-left crossing
        {176, 33, grey},        // cell (0, 0) from its first pixel
        {232, 89, grey},        // to its last
        {233, 89, background},  // the second vertical line
        {234, 89, grey},        // cell (1, 0)
        {300, 90, background},  // the second horizontal line
        {638, 495, grey},       // cell (7, 7)'s last pixel
        {639, 496, background}, // the bottom-right crossing
        {640, 300, background}, // the margin right of the grid
        {174, 300, background}, // and left of it
    };
    for (const Point& p : points) {
        EXPECT_EQ(rgba_at(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST_F(WebDrawing, ABallShowsItsShadesInsideItsCellSquareOnly) {
    const int x = 204 + 2 * 58;
    const int y = 61 + 3 * 58;
    const std::vector<uint32_t> before = canvas_copy();
    // Red: shade 40 in the smallest disc, whose 2 x 2 box leaves the one pixel up and left of
    // the highlight point, as the platform's regions do.
    ASSERT_EQ(trivelle_put_ball(2, 3, 1), 1);
    EXPECT_EQ(rgba_at(x - 10, y - 10), (Rgba{255, 200, 200, 255}));
    EXPECT_EQ(rgba_at(x - 28, y - 28), grey);
    EXPECT_EQ(rgba_at(x + 28, y + 28), grey);
    const std::vector<uint32_t> after = canvas_copy();
    int changed_outside = 0;
    for (int py = 0; py < 530; ++py) {
        for (int px = 0; px < 700; ++px) {
            const bool inside = px >= x - 28 && px <= x + 28 && py >= y - 28 && py <= y + 28;
            const size_t at = size_t(py) * 700 + size_t(px);
            changed_outside += !inside && after[at] != before[at];
        }
    }
    EXPECT_EQ(changed_outside, 0);
    ASSERT_EQ(trivelle_take_ball(2, 3), 1);
    EXPECT_TRUE(canvas_copy() == before);
}

TEST_F(WebDrawing, APreviewBallStandsLeftOfTheGridInRowsThreeToSeven) {
    // Slot s is centred where cell (-2, s + 3) would be: x 204 - 116 = 88.
    ASSERT_EQ(trivelle_set_preview(4, 0), 1); // blue, radius 20: shade 32 by offset 7
    EXPECT_EQ(rgba_at(88 - 8, 61 + 7 * 58 - 8), (Rgba{160, 160, 255, 255}));
    ASSERT_EQ(trivelle_set_preview(4, -1), 1);
    EXPECT_EQ(rgba_at(88 - 8, 61 + 7 * 58 - 8), grey);
    EXPECT_EQ(rgba_at(88, 61 + 2 * 58), background); // above the slots, nothing
}

TEST_F(WebDrawing, AResizedCanvasShowsTheBoardAsItWasShown) {
    trivelle_put_ball(0, 0, 3);
    trivelle_put_ball(5, 6, 6);
    trivelle_set_preview(0, 2);
    trivelle_answered(0);
    trivelle_click(trivelle_cell_x(5), trivelle_cell_y(6)); // selected, drawn inside out
    const std::vector<uint32_t> shown = canvas_copy();

    ASSERT_EQ(trivelle_resize(700, 530), 1);
    EXPECT_TRUE(canvas_copy() == shown);
    ASSERT_EQ(trivelle_resize(1024, 768), 1);
    EXPECT_EQ(trivelle_pixels_bytes(), 1024 * 768 * 4);
    ASSERT_EQ(trivelle_resize(700, 530), 1);
    EXPECT_TRUE(canvas_copy() == shown);
}

TEST_F(WebDrawing, ABoxSideOutsideTheBoundIsRefusedAndTheCanvasKept) {
    const int refused[][2] = {{0, 530}, {700, 0}, {-1, -1}, {4097, 530}, {700, 4097}};
    for (const auto& size : refused) {
        EXPECT_EQ(trivelle_resize(size[0], size[1]), 0) << size[0] << "x" << size[1];
        EXPECT_EQ(trivelle_width(), 700);
        EXPECT_EQ(trivelle_height(), 530);
    }
    EXPECT_EQ(trivelle_resize(4096, 1), 1);
    EXPECT_EQ(trivelle_pixels_bytes(), 4096 * 4);
}

} // namespace
