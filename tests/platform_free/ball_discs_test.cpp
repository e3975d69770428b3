// Which pixels an ellipse's box covers as the platform's regions do, and the disc map made by
// them.
#include "render/ball_discs.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Pixel {
    EllipseBox box;
    int32_t x, y;
    bool held;
};

// Each answer traced by hand: the box without its right and bottom edges, then the rows of
// the ellipse in the rest by Zingl's stepping.
TEST(BallDiscs, AnEllipseHoldsThePixelsOfItsRowsAsThePlatformsRegionsDo) {
    const Pixel cases[] = {
        // 2 x 2 leaves 1 x 1: a rectangle of the one pixel.
        {{0, 0, 2, 2}, 0, 0, true},
        {{0, 0, 2, 2}, 1, 1, false},
        {{0, 0, 2, 2}, 2, 0, false},
        // 4 x 4 leaves 3 x 3, rows inset 1, 0, 1: a plus.
        {{0, 0, 4, 4}, 0, 0, false},
        {{0, 0, 4, 4}, 1, 0, true},
        {{0, 0, 4, 4}, 0, 1, true},
        {{0, 0, 4, 4}, 2, 1, true},
        {{0, 0, 4, 4}, 3, 1, false}, // the right edge lies outside
        {{0, 0, 4, 4}, 1, 3, false}, // so does the bottom one
        // 6 x 6 about the origin leaves 5 x 5, rows inset 1, 0, 0, 0, 1 from y = -3.
        {{-3, -3, 3, 3}, -3, 0, true},
        {{-3, -3, 3, 3}, -3, -3, false},
        {{-3, -3, 3, 3}, -2, -3, true},
        {{-3, -3, 3, 3}, 1, 1, false},
        {{-3, -3, 3, 3}, 2, 0, false},
        {{5, 5, 5, 9}, 5, 6, false}, // an empty box holds nothing
    };
    for (const Pixel& c : cases) {
        EXPECT_EQ(ellipse_holds(c.box, c.x, c.y), c.held)
            << c.box.left << "," << c.box.top << "," << c.box.right << "," << c.box.bottom << " at "
            << c.x << "," << c.y;
    }
}

TEST(BallDiscs, TheBoxesAreTheProgramsOutlineAndDiscs) {
    const EllipseBox outline = ball_outline_box(10, 20, 3);
    EXPECT_EQ(outline.left, 8);
    EXPECT_EQ(outline.top, 18);
    EXPECT_EQ(outline.right, 14);
    EXPECT_EQ(outline.bottom, 24);
    const EllipseBox disc = shading_disc_box(7, 9, 2);
    EXPECT_EQ(disc.left, 5);
    EXPECT_EQ(disc.top, 7);
    EXPECT_EQ(disc.right, 9);
    EXPECT_EQ(disc.bottom, 11);
}

// A 9 x 9 square, a ball of radius 3 with 5 discs: its outline's box is (2, 2, 8, 8), rows
// 2 to 6 spanning [3, 6), [2, 7), [2, 7), [2, 7), [3, 6); it is lit at (3, 3) (offset 1), so
// disc q's box is (3 - q, 3 - q, 3 + q, 3 + q). Each answer traced by hand.
TEST(BallDiscs, TheMapHoldsTheSmallestClippedDiscOfEachPixel) {
    std::vector<uint8_t> map;
    map_smallest_discs(9, {3, 5}, map);
    ASSERT_EQ(map.size(), 81u);
    auto at = [&](int x, int y) { return int(map[size_t(y) * 9 + size_t(x)]); };
    EXPECT_EQ(at(3, 2), 2); // disc 1 holds (2, 2) alone; disc 2's row 2 spans [1, 4)
    EXPECT_EQ(at(3, 3), 3); // disc 2's row 3 holds x = 2 alone; disc 3's spans [0, 5)
    EXPECT_EQ(at(4, 4), 4); // disc 3's row 4 spans [1, 4); disc 4's [0, 5)
    EXPECT_EQ(at(5, 5), 5); // disc 4's row 5 spans [1, 4); disc 5's [-1, 6)
    EXPECT_EQ(at(6, 4), 0); // inside the outline, beyond disc 5's [-1, 6)
    EXPECT_EQ(at(2, 2), 0); // outside the outline: row 2 spans [3, 6)
    EXPECT_EQ(at(7, 5), 0); // the outline's right edge
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(7, 7), 0);
}

} // namespace
