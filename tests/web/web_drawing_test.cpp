// The browser's board drawing: the canvas's layout, the grid, empty cells and shaded balls in
// RGBA, and a board drawn again whole after a resize.
#include "engine/game_state.h"
#include "engine/play.h"
#include "render/board_drawing.h"
#include "render/colours.h"
#include "render/geometry.h"
#include "tests/support/page_stand_in.h"
#include "web/module_exports.h"
#include "web/web_canvas.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
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

// An 800 x 600 canvas, worked out by hand: the board takes the whole width, half_cell is
// 800 * 0.035 = 28, cells are 58 wide, the grid starts at 800 * 0.182 - 1 truncated = 145 and
// at (600 - 55 - 464) / 2 - 1 = 39; balls have radius 26, highlight offset 9, 41 discs.
class WebDrawing : public testing::Test {
  protected:
    void SetUp() override {
        reset_page_mirror();
        ASSERT_EQ(trivelle_start(800, 600), 1);
    }
};

TEST_F(WebDrawing, TheCanvasIsLaidOutAsTheProgramLaysOutAScreen) {
    EXPECT_EQ(trivelle_width(), 800);
    EXPECT_EQ(trivelle_height(), 600);
    EXPECT_EQ(trivelle_pixels_bytes(), 800 * 600 * 4);
    EXPECT_EQ(geometry.half_cell, 28);
    EXPECT_EQ(geometry.cell_size, 58);
    EXPECT_EQ(geometry.grid_left, 145);
    EXPECT_EQ(geometry.grid_top, 39);
    EXPECT_EQ(geometry.ball_radius, 26);
    EXPECT_EQ(geometry.highlight_offset, 9);
    EXPECT_EQ(geometry.ring_count, 41);
    // Before New the board shows the background alone.
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            ASSERT_EQ(rgba_at(x, y), background) << x << "," << y;
        }
    }
}

TEST_F(WebDrawing, AnEmptyBoardShowsGreyCellsBetweenTheGridLines) {
    // On a grey canvas, so that the grid's own pixels and ends show.
    fill_canvas_rect(0, 0, 800, 600, cell_colour);
    reset_board();
    struct Point {
        int x, y;
        Rgba colour;
    };
    const Point points[] = {
        {145, 39, background},  // the top-left crossing
        {146, 40, grey},        // cell (0, 0) from its first pixel
        {202, 96, grey},        // to its last
        {203, 96, background},  // the second vertical line
        {204, 96, grey},        // cell (1, 0)
        {300, 97, background},  // the second horizontal line
        {608, 502, grey},       // cell (7, 7)'s last pixel
        {609, 503, background}, // the bottom-right crossing, where both last lines end
        {609, 39, background},  // the top-right crossing
        {145, 503, background}, // the bottom-left crossing
        {610, 503, grey},       // beyond the lines' ends
        {609, 504, grey},       {144, 39, grey}, {145, 38, grey},
    };
    for (const Point& p : points) {
        EXPECT_EQ(rgba_at(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST_F(WebDrawing, ABallShowsItsShadesInsideItsCellSquareOnly) {
    reset_board();
    const int x = cell_centre_x(2);
    const int y = cell_centre_y(3);
    struct Case {
        int colour;
        BallStyle style;
        BallSize size;
        int highlight; // the offset of the highlight pixel up and left of the centre
        Rgba lit;      // the shade of the smallest disc there
    };
    // The ramps have 41 steps of 235 / 41 = 5. Red on the board: shade 40 normal, 1 selected.
    // The blue preview ball (radius 20, offset 7, 33 discs) takes shade 32 of the same ramp.
    const Case cases[] = {
        {1, BallStyle::normal, BallSize::board, 9, {255, 200, 200, 255}},
        {1, BallStyle::selected, BallSize::board, 9, {255, 5, 5, 255}},
        {0, BallStyle::normal, BallSize::preview, 7, {160, 160, 255, 255}},
    };
    for (const Case& c : cases) {
        const std::vector<uint32_t> before = canvas_copy();
        draw_ball(x, y, c.colour, c.style, c.size);
        EXPECT_EQ(rgba_at(x - c.highlight, y - c.highlight), c.lit) << c.colour;
        EXPECT_EQ(rgba_at(x - 28, y - 28), grey);
        EXPECT_EQ(rgba_at(x + 28, y + 28), grey);
        const std::vector<uint32_t> after = canvas_copy();
        int changed_outside = 0;
        for (int py = 0; py < 600; ++py) {
            for (int px = 0; px < 800; ++px) {
                const bool inside = px >= x - 28 && px <= x + 28 && py >= y - 28 && py <= y + 28;
                const size_t at = size_t(py) * 800 + size_t(px);
                changed_outside += !inside && after[at] != before[at];
            }
        }
        EXPECT_EQ(changed_outside, 0) << c.colour;
    }
    erase_cell(x, y);
    for (int py = y - 28; py <= y + 28; ++py) {
        for (int px = x - 28; px <= x + 28; ++px) {
            ASSERT_EQ(rgba_at(px, py), grey) << px << "," << py;
        }
    }
    EXPECT_EQ(rgba_at(x - 29, y), background);
}

TEST_F(WebDrawing, DrawingAtTheCanvasEdgeIsClipped) {
    draw_ball(3, 3, 4, BallStyle::normal, BallSize::board);
    draw_ball(797, 597, 4, BallStyle::selected, BallSize::board);
    erase_cell(-20, 590);
    EXPECT_NE(rgba_at(3, 3), background);
    EXPECT_NE(rgba_at(797, 597), background);
    EXPECT_EQ(rgba_at(0, 599), grey);
}

TEST_F(WebDrawing, AResizedCanvasShowsTheBoardAsItWasDrawnMoveByMove) {
    ASSERT_EQ(trivelle_new_test(59, 7, 5, 12, 20261210), 1);
    // Select a ball, so that one is drawn in its selected style.
    int cell = 0;
    while (game.board[cell] == 0) {
        ++cell;
    }
    trivelle_click(cell_centre_x(cell / 8), cell_centre_y(cell % 8));
    ASSERT_EQ(game.selection_active, 1);
    const std::vector<uint32_t> played = canvas_copy();

    ASSERT_EQ(trivelle_resize(800, 600), 1);
    EXPECT_TRUE(canvas_copy() == played);
    ASSERT_EQ(trivelle_resize(1024, 768), 1);
    EXPECT_EQ(trivelle_pixels_bytes(), 1024 * 768 * 4);
    EXPECT_EQ(rgba_at(geometry.grid_left, geometry.grid_top), background);
    ASSERT_EQ(trivelle_resize(800, 600), 1);
    EXPECT_TRUE(canvas_copy() == played);
}

TEST_F(WebDrawing, ACanvasSideOutsideTheBoundIsRefusedAndTheCanvasKept) {
    const int refused[][2] = {{0, 600}, {800, 0}, {-1, -1}, {4097, 600}, {800, 4097}};
    for (const auto& size : refused) {
        EXPECT_EQ(trivelle_resize(size[0], size[1]), 0) << size[0] << "x" << size[1];
        EXPECT_EQ(trivelle_width(), 800);
        EXPECT_EQ(trivelle_height(), 600);
    }
    EXPECT_EQ(trivelle_resize(4096, 1), 1);
    EXPECT_EQ(trivelle_pixels_bytes(), 4096 * 4);
}

} // namespace
