#include "engine/game_state.h"
#include "engine/play.h"
#include "render/ball_drawing_win32.h"
#include "render/ball_shades.h"
#include "render/colours.h"
#include "render/geometry.h"
#include "render/offscreen_canvas_win32.h"
#include "resources/ambient_win32.h"
#include "tests/win32/test_board_win32.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

HDC canvas() { return offscreen_canvas.canvas_dc; }
HDC window() { return offscreen_canvas.window_dc; }

// Left of the panel, which stands one cell right of the grid: only the board draws there.
int32_t board_area_width() { return geometry.grid_left + 9 * geometry.cell_size + 1; }

Pixels whole_board(HDC dc) {
    RECT client;
    GetClientRect(board_window, &client);
    return read_pixels(dc, 0, 0, board_area_width(), client.bottom);
}

// The cell square about (x, y) with a margin of one pixel all round.
Pixels around_cell(HDC dc, int x, int y) {
    const int32_t half = geometry.half_cell + 1;
    return read_pixels(dc, x - half, y - half, 2 * half + 1, 2 * half + 1);
}

bool in_cell_square(int32_t px, int32_t py, int x, int y) {
    const int32_t half = geometry.half_cell;
    return px >= x - half && px <= x + half && py >= y - half && py <= y + half;
}

// Reports the first few pixels that differ.
testing::AssertionResult same_pixels(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height) {
        return testing::AssertionFailure() << "different sizes";
    }
    int differing = 0;
    testing::AssertionResult failure = testing::AssertionFailure();
    for (int32_t y = 0; y < a.height; ++y) {
        for (int32_t x = 0; x < a.width; ++x) {
            const uint32_t ca = a.colours[y * a.width + x];
            const uint32_t cb = b.colours[y * b.width + x];
            if (ca != cb && ++differing <= 5) {
                char text[80];
                std::snprintf(text, sizeof text, " (%d,%d): %06X vs %06X", int(a.left + x),
                              int(a.top + y), unsigned(ca), unsigned(cb));
                failure << text;
            }
        }
    }
    if (differing == 0) {
        return testing::AssertionSuccess();
    }
    return failure << " - " << differing << " pixels differ";
}

class BoardWindow : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(open_test_board(1024, 768, 1.0f), nullptr);
        reset_game_state();
    }
    void TearDown() override { close_test_board(); }
};

TEST_F(BoardWindow, StartsDarkBlueAndResetLeavesGreyCellsWithDarkGaps) {
    EXPECT_EQ(read_pixels(canvas(), 500, 400, 1, 1).at(500, 400), background_colour);
    game.board[5] = 3;
    game.ball_count = 7;
    game.lines_this_round = 2;
    reset_board();
    for (uint8_t cell : game.board) {
        EXPECT_EQ(cell, 0);
    }
    EXPECT_EQ(game.ball_count, 0);
    EXPECT_EQ(game.lines_this_round, 0);

    const int32_t span = 8 * geometry.cell_size + 1;
    const Pixels grid = read_pixels(canvas(), geometry.grid_left, geometry.grid_top, span, span);
    int wrong = 0;
    for (int32_t y = grid.top; y < grid.top + span; ++y) {
        for (int32_t x = grid.left; x < grid.left + span; ++x) {
            const int32_t along_x = (x - geometry.grid_left) % geometry.cell_size;
            const int32_t along_y = (y - geometry.grid_top) % geometry.cell_size;
            const bool gap = along_x == 0 || along_y == 0;
            wrong += grid.at(x, y) != (gap ? background_colour : cell_colour);
        }
    }
    EXPECT_EQ(wrong, 0);
    // The preview slots stay dark until the preview is drawn.
    EXPECT_EQ(read_pixels(canvas(), preview_centre_x(), preview_centre_y(0), 1, 1).colours[0],
              background_colour);
    // A paint brings the grid to the window.
    InvalidateRect(board_window, nullptr, FALSE);
    pump_messages();
    EXPECT_TRUE(same_pixels(whole_board(window()), whole_board(canvas())));
}

TEST_F(BoardWindow, PaintCopiesExactlyTheInvalidRectangleFromTheCanvas) {
    reset_board();
    draw_ball(cell_centre_x(2), cell_centre_y(3), 4, BallStyle::normal, BallSize::board);
    InvalidateRect(board_window, nullptr, FALSE);
    pump_messages();
    // A change on the canvas alone reaches the window only where a paint copies it.
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT changed = {100, 100, 400, 400};
    FillRect(canvas(), &changed, red);
    DeleteObject(red);
    const Pixels before = whole_board(window());
    RECT invalid = {150, 120, 260, 330};
    InvalidateRect(board_window, &invalid, FALSE);
    pump_messages();
    const Pixels after = whole_board(window());
    const Pixels source = whole_board(canvas());
    int wrong = 0;
    for (int32_t y = 0; y < after.height; ++y) {
        for (int32_t x = 0; x < after.width; ++x) {
            const bool painted =
                x >= invalid.left && x < invalid.right && y >= invalid.top && y < invalid.bottom;
            wrong += after.at(x, y) != (painted ? source.at(x, y) : before.at(x, y));
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(BoardWindow, ShrinkingAndGrowingWithinTheCanvasKeepsIt) {
    reset_board();
    draw_ball(cell_centre_x(0), cell_centre_y(0), 1, BallStyle::selected, BallSize::board);
    const HBITMAP bitmap = offscreen_canvas.canvas_bitmap;
    const int32_t width = offscreen_canvas.canvas_width;
    const int32_t height = offscreen_canvas.canvas_height;
    const Pixels before = read_pixels(canvas(), 0, 0, width, height);
    SetWindowPos(board_window, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOMOVE);
    pump_messages();
    SetWindowPos(board_window, nullptr, 0, 0, width, height - 10, SWP_NOZORDER | SWP_NOMOVE);
    pump_messages();
    EXPECT_EQ(offscreen_canvas.canvas_bitmap, bitmap);
    EXPECT_EQ(offscreen_canvas.canvas_width, width);
    EXPECT_EQ(offscreen_canvas.canvas_height, height);
    EXPECT_TRUE(same_pixels(read_pixels(canvas(), 0, 0, width, height), before));
}

TEST_F(BoardWindow, GrowingOneWayFillsTheWholeNewStripWithTheCellColour) {
    reset_board();
    const int32_t width = offscreen_canvas.canvas_width;
    const int32_t height = offscreen_canvas.canvas_height;
    const Pixels before = read_pixels(canvas(), 0, 0, width, height);
    // Wider than the canvas but lower: the strip reaches below the window's new bottom.
    SetWindowPos(board_window, nullptr, 0, 0, width + 40, height - 300, SWP_NOZORDER | SWP_NOMOVE);
    pump_messages();
    ASSERT_EQ(offscreen_canvas.canvas_width, width + 40);
    ASSERT_EQ(offscreen_canvas.canvas_height, height);
    EXPECT_TRUE(same_pixels(read_pixels(canvas(), 0, 0, width, height), before));
    const Pixels strip = read_pixels(canvas(), width, 0, 40, height);
    int wrong = 0;
    for (uint32_t c : strip.colours) {
        wrong += c != cell_colour;
    }
    EXPECT_EQ(wrong, 0);

    // Then taller only: the strip below spans the whole grown width.
    SetWindowPos(board_window, nullptr, 0, 0, 200, height + 25, SWP_NOZORDER | SWP_NOMOVE);
    pump_messages();
    ASSERT_EQ(offscreen_canvas.canvas_width, width + 40);
    ASSERT_EQ(offscreen_canvas.canvas_height, height + 25);
    const Pixels bottom = read_pixels(canvas(), 0, height, width + 40, 25);
    wrong = 0;
    for (uint32_t c : bottom.colours) {
        wrong += c != cell_colour;
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(BoardWindow, EraseCellAtAPreviewSlotPaintsItsSquareOnCanvasAndWindow) {
    const int x = preview_centre_x();
    const int y = preview_centre_y(2);
    erase_cell(x, y);
    for (HDC dc : {canvas(), window()}) {
        const Pixels p = around_cell(dc, x, y);
        int wrong = 0;
        for (int32_t py = p.top; py < p.top + p.height; ++py) {
            for (int32_t px = p.left; px < p.left + p.width; ++px) {
                wrong += p.at(px, py) !=
                         (in_cell_square(px, py, x, y) ? cell_colour : background_colour);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Where the balls go in the comparisons: a cell, a preview slot and an odd point.
struct Place {
    int x, y;
};
std::vector<Place> test_places() {
    return {{cell_centre_x(3), cell_centre_y(5)},
            {preview_centre_x(), preview_centre_y(4)},
            {401, 333}};
}

// The fast drawing gives, pixel for pixel, the picture of the plain call sequence.
void expect_fast_drawing_matches_plain_drawing() {
    for (const Place& place : test_places()) {
        for (int colour = 0; colour < ball_colour_count; ++colour) {
            for (BallStyle style : {BallStyle::normal, BallStyle::selected}) {
                for (BallSize size : {BallSize::board, BallSize::preview}) {
                    SCOPED_TRACE(testing::Message()
                                 << "colour " << colour << " style " << int(style) << " size "
                                 << int(size) << " at " << place.x << "," << place.y);
                    draw_ball_directly(place.x, place.y, colour, style, size);
                    const Pixels plain_canvas = around_cell(canvas(), place.x, place.y);
                    const Pixels plain_window = around_cell(window(), place.x, place.y);
                    erase_cell(place.x, place.y);
                    draw_ball(place.x, place.y, colour, style, size);
                    EXPECT_TRUE(same_pixels(around_cell(canvas(), place.x, place.y), plain_canvas));
                    EXPECT_TRUE(same_pixels(around_cell(window(), place.x, place.y), plain_window));
                }
            }
        }
    }
}

TEST_F(BoardWindow, FastDrawingMatchesThePlainDrawingForEveryKindOfBall) {
    reset_board();
    expect_fast_drawing_matches_plain_drawing();
}

TEST(BoardWindowLayouts, FastDrawingMatchesThePlainDrawingOnOtherLayouts) {
    // A smaller radius (26), and cells too large for cached pictures (half_cell 71).
    for (float fraction : {0.8f, 2.0f}) {
        SCOPED_TRACE(testing::Message() << "fraction " << fraction);
        ASSERT_NE(open_test_board(1024, 768, fraction), nullptr);
        expect_fast_drawing_matches_plain_drawing();
        close_test_board();
    }
}

TEST_F(BoardWindow, RedrawingAndDeselectingLeaveThePictureOfOneNormalBall) {
    const int x = cell_centre_x(4);
    const int y = cell_centre_y(4);
    using Draw = void (*)(int, int, int, BallStyle, BallSize);
    for (Draw draw : {Draw(draw_ball), Draw(draw_ball_directly)}) {
        draw(x, y, 5, BallStyle::normal, BallSize::board);
        const Pixels once_canvas = around_cell(canvas(), x, y);
        const Pixels once_window = around_cell(window(), x, y);
        draw(x, y, 5, BallStyle::normal, BallSize::board);
        EXPECT_TRUE(same_pixels(around_cell(canvas(), x, y), once_canvas)) << "drawn twice";
        draw(x, y, 5, BallStyle::selected, BallSize::board);
        draw(x, y, 5, BallStyle::normal, BallSize::board);
        EXPECT_TRUE(same_pixels(around_cell(canvas(), x, y), once_canvas)) << "deselected";
        EXPECT_TRUE(same_pixels(around_cell(window(), x, y), once_window)) << "deselected";
    }
}

TEST_F(BoardWindow, NoPixelOutsideTheCellSquareChanges) {
    reset_board();
    InvalidateRect(board_window, nullptr, FALSE);
    pump_messages();
    using Draw = void (*)(int, int, int, BallStyle, BallSize);
    for (Draw draw : {Draw(draw_ball), Draw(draw_ball_directly)}) {
        for (const Place& place : test_places()) {
            for (BallStyle style : {BallStyle::normal, BallStyle::selected}) {
                const Pixels canvas_before = whole_board(canvas());
                const Pixels window_before = whole_board(window());
                draw(place.x, place.y, 2, style, BallSize::board);
                const Pixels canvas_after = whole_board(canvas());
                const Pixels window_after = whole_board(window());
                int outside = 0;
                for (int32_t y = 0; y < canvas_after.height; ++y) {
                    for (int32_t x = 0; x < canvas_after.width; ++x) {
                        if (!in_cell_square(x, y, place.x, place.y)) {
                            outside += canvas_after.at(x, y) != canvas_before.at(x, y);
                            outside += window_after.at(x, y) != window_before.at(x, y);
                        }
                    }
                }
                EXPECT_EQ(outside, 0) << "at " << place.x << "," << place.y;
            }
        }
    }
}

// The size of the smallest shading disc about the highlight point that holds the point
// itself, by the platform's elliptic regions (Wine leaves it out of the two smallest).
int smallest_disc_at_highlight(int n) {
    for (int q = 1; q <= n; ++q) {
        HRGN disc = CreateEllipticRgn(100 - q, 100 - q, 100 + q, 100 + q);
        const bool holds = PtInRegion(disc, 100, 100);
        DeleteObject(disc);
        if (holds) {
            return q;
        }
    }
    return n;
}

// The highlight point shows the lightest disc shade of a normal ball (shade n - q of the
// q-sized disc) and the darkest of a selected one (shade q).
uint32_t highlight_colour(int colour, BallStyle style, BallMeasure m) {
    const int q = smallest_disc_at_highlight(m.ring_count);
    return ball_shades.shade_colour[colour][style == BallStyle::normal ? m.ring_count - q : q];
}

TEST_F(BoardWindow, TheHighlightPointIsLightestWhenNormalAndDarkestWhenSelected) {
    ASSERT_EQ(geometry.highlight_offset, 12);
    ASSERT_EQ(geometry.ring_count, 52);
    ASSERT_LE(smallest_disc_at_highlight(52), 3);
    const int x = cell_centre_x(1);
    const int y = cell_centre_y(6);
    for (int colour = 0; colour < ball_colour_count; ++colour) {
        for (BallSize size : {BallSize::board, BallSize::preview}) {
            const BallMeasure m = ball_measure(geometry.ball_radius, geometry.ring_count, size);
            // 12 for the board ball; the preview ball (radius 26, 42 discs) is lit at 9.
            const int h = size == BallSize::board ? 12 : 9;
            for (BallStyle style : {BallStyle::normal, BallStyle::selected}) {
                draw_ball(x, y, colour, style, size);
                for (HDC dc : {canvas(), window()}) {
                    EXPECT_EQ(read_pixels(dc, x - h, y - h, 1, 1).colours[0],
                              highlight_colour(colour, style, m))
                        << "colour " << colour << " style " << int(style) << " size " << int(size);
                }
            }
        }
    }
}

// A round-start fill in a real board window, checked and kept as a picture.
void fill_a_round_and_check(const char* picture_name, bool from_window) {
    reset_game_state();
    game.settings.initial_ball_count = 59;
    game.settings.colour_count = 7;
    rng_seed(20261210);
    reset_board();
    start_round_fill();
    InvalidateRect(board_window, nullptr, FALSE);
    pump_messages();

    RECT client;
    GetClientRect(board_window, &client);
    const Pixels picture =
        read_pixels(from_window ? window() : canvas(), 0, 0,
                    from_window ? client.right : offscreen_canvas.canvas_width,
                    from_window ? client.bottom : offscreen_canvas.canvas_height);
    EXPECT_TRUE(save_test_picture(picture, picture_name));

    const int h = geometry.highlight_offset;
    int balls = 0;
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            const int x = cell_centre_x(c);
            const int y = cell_centre_y(r);
            const uint8_t v = game.board[cell_index(c, r)];
            balls += v != 0;
            const BallMeasure m =
                ball_measure(geometry.ball_radius, geometry.ring_count, BallSize::board);
            const uint32_t expected =
                v ? highlight_colour(v - 1, BallStyle::normal, m) : cell_colour;
            EXPECT_EQ(picture.at(x - h, y - h), expected) << "cell " << c << "," << r;
        }
    }
    EXPECT_EQ(balls, game.ball_count);
    EXPECT_GE(balls, 54); // 59 less at most one line of five
    const BallMeasure preview =
        ball_measure(geometry.ball_radius, geometry.ring_count, BallSize::preview);
    const int hp = highlight_offset_for(preview.radius);
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(picture.at(preview_centre_x() - hp, preview_centre_y(slot) - hp),
                  highlight_colour(game.preview_colours[slot], BallStyle::normal, preview));
    }
}

TEST(RoundStartPicture, At1024x768FromTheWindow) {
    ASSERT_NE(open_test_board(1024, 768, 1.0f), nullptr);
    fill_a_round_and_check("round-start-1024x768.bmp", true);
    close_test_board();
}

TEST(RoundStartPicture, At1280x1024FromTheCanvas) {
    // Larger than the test desktop: the board is laid out for that screen and its canvas,
    // which every paint copies from, is kept.
    ASSERT_NE(open_test_board(1280, 1024, 1.0f), nullptr);
    ASSERT_EQ(geometry.ring_count, 62);
    fill_a_round_and_check("round-start-1280x1024.bmp", false);
    close_test_board();
}

} // namespace
