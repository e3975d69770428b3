// Which pixels an ellipse's box covers by the pixel-centre rule, and the disc map made by it.
#include "render/ball_discs.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Pixel {
    EllipseBox box;
    int32_t x, y;
    bool held;
};

TEST(BallDiscs, AnEllipseHoldsThePixelsWhoseCentresLieInsideIt) {
    const Pixel cases[] = {
        // A 2 x 2 box: its four pixels' centres lie 0.71 from its centre, inside radius 1.
        {{0, 0, 2, 2}, 0, 0, true},
        {{0, 0, 2, 2}, 1, 1, true},
        {{0, 0, 2, 2}, 2, 0, false}, // the right edge lies outside
        {{0, 0, 2, 2}, 0, 2, false}, // so does the bottom one
        // Radius 2 about (2, 2): the corner's centre is 2.12 away, its neighbour's 1.58.
        {{0, 0, 4, 4}, 0, 0, false},
        {{0, 0, 4, 4}, 0, 1, true},
        {{0, 0, 4, 4}, 3, 3, false},
        // 8 x 2 about (4, 1): (0.5, 0.5) gives 0.766 + 0.25, outside; (1, 1) stays inside.
        {{0, 0, 8, 2}, 0, 0, false},
        {{0, 0, 8, 2}, 1, 1, true},
        {{-3, -3, 3, 3}, -3, 0, true}, // negative corners: (-2.5, 0.5) is 2.55 from (0, 0)
        {{5, 5, 5, 9}, 5, 6, false},   // an empty box holds nothing
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

// A 9 x 9 square, a ball of radius 3 with 5 discs: its outline's box is (2, 2, 8, 8) and it
// is lit at (3, 3) (offset 1). Each answer worked out by hand in doubled coordinates.
TEST(BallDiscs, TheMapHoldsTheSmallestClippedDiscOfEachPixel) {
    std::vector<uint8_t> map;
    map_smallest_discs(9, {3, 5}, map);
    ASSERT_EQ(map.size(), 81u);
    auto at = [&](int x, int y) { return int(map[size_t(y) * 9 + size_t(x)]); };
    EXPECT_EQ(at(3, 3), 1); // the highlight pixel: 1 + 1 <= 4
    EXPECT_EQ(at(4, 4), 3); // 9 + 9 = 18: above 16, within 36
    EXPECT_EQ(at(6, 4), 4); // 49 + 9 = 58: above 36, within 64
    EXPECT_EQ(at(7, 5), 0); // inside the outline, beyond every disc: 81 + 25 > 100
    EXPECT_EQ(at(2, 2), 0); // outside the outline: 25 + 25 > 36
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(7, 7), 0);
}

} // namespace
