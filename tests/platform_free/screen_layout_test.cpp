#include "render/ball_shades.h"
#include "render/ball_shading.h"
#include "render/colours.h"
#include "render/panel_extent.h"
#include "render/screen_layout.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return rgb_colour(r, g, b); }

struct LayoutCase {
    int32_t width, height;
    float fraction;
    float used_fraction;
    Geometry expected;
    uint32_t lightest_tint; // shade ring_count of colour 0 is RGB(tint, tint, 255)
};

// side_margin, board_width, board_height, half_cell, ball_radius, cell_size, grid_left,
// grid_top, cell0_centre_x, cell0_centre_y, highlight_offset, ring_count
const LayoutCase layout_cases[] = {
    {1024, 768, 1.0f, 1.0f, {0, 1024, 768, 35, 33, 72, 186, 67, 222, 103, 12, 52}, 208},
    // t = 819.2; the odd margin widens the board to 820, and the height follows 820/1024.
    {1024, 768, 0.8f, 0.80078125f, {102, 820, 615, 28, 26, 58, 251, 123, 280, 152, 9, 41}, 205},
    // The radius cap: half_cell 44 but ball_radius 40, and the most shades there are.
    {1280, 1024, 1.0f, 1.0f, {0, 1280, 1024, 44, 40, 90, 232, 123, 277, 168, 14, 62}, 186},
    // Just below the cap: half_cell 41 is over 40, but ball_radius 39 is not.
    {1180, 768, 1.0f, 1.0f, {0, 1180, 768, 41, 39, 84, 214, 19, 256, 61, 14, 61}, 183},
    // The grid starts above the screen.
    {1920, 1080, 1.0f, 1.0f, {0, 1920, 1080, 67, 40, 136, 349, -32, 417, 36, 14, 62}, 186},
    // A board 1000 wide: 0.182 of it truncates to 181, not 182.
    {1250, 1000, 0.8f, 0.8f, {125, 1000, 800, 35, 33, 72, 306, 183, 342, 219, 12, 52}, 208},
    {1000, 800, 1.0f, 1.0f, {0, 1000, 800, 35, 33, 72, 181, 83, 217, 119, 12, 52}, 208},
};

void expect_same_geometry(const Geometry& got, const Geometry& want) {
    EXPECT_EQ(got.side_margin, want.side_margin);
    EXPECT_EQ(got.board_width, want.board_width);
    EXPECT_EQ(got.board_height, want.board_height);
    EXPECT_EQ(got.half_cell, want.half_cell);
    EXPECT_EQ(got.ball_radius, want.ball_radius);
    EXPECT_EQ(got.cell_size, want.cell_size);
    EXPECT_EQ(got.grid_left, want.grid_left);
    EXPECT_EQ(got.grid_top, want.grid_top);
    EXPECT_EQ(got.cell0_centre_x, want.cell0_centre_x);
    EXPECT_EQ(got.cell0_centre_y, want.cell0_centre_y);
    EXPECT_EQ(got.highlight_offset, want.highlight_offset);
    EXPECT_EQ(got.ring_count, want.ring_count);
}

TEST(ScreenLayout, KnownScreensGiveKnownLayouts) {
    for (const LayoutCase& c : layout_cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.fraction);
        float fraction = c.fraction;
        compute_layout_and_shades(c.width, c.height, fraction);
        EXPECT_EQ(fraction, c.used_fraction);
        expect_same_geometry(geometry, c.expected);
        EXPECT_EQ(ball_shades.shade_colour[0][c.expected.ring_count],
                  rgb(c.lightest_tint, c.lightest_tint, 255));
    }
}

TEST(ScreenLayout, TellingValuesOfTheShadingGeometry) {
    struct Telling {
        int32_t screen_width; // at fraction 1.0
        int32_t ball_radius, highlight_offset, ring_count;
    };
    const Telling cases[] = {
        {629, 20, 7, 32}, {800, 26, 9, 41}, {1024, 33, 12, 52}, {1280, 40, 14, 62}};
    for (const Telling& c : cases) {
        float fraction = 1.0f;
        const Geometry g = layout_for_screen(c.screen_width, 768, fraction);
        EXPECT_EQ(g.ball_radius, c.ball_radius);
        EXPECT_EQ(g.highlight_offset, c.highlight_offset) << "radius " << c.ball_radius;
        EXPECT_EQ(g.ring_count, c.ring_count) << "radius " << c.ball_radius;
        EXPECT_EQ(highlight_offset_for(c.ball_radius), c.highlight_offset);
    }
}

TEST(BallShades, RampsStepTowardsATintWithoutPassing255) {
    BallShades shades;
    fill_shade_colours(52, shades);
    // Steps 4, 3 and 2 at ring_count 52.
    EXPECT_EQ(shades.shade_colour[0][52], rgb(208, 208, 255));
    const uint32_t full_colours[] = {rgb(0, 0, 255),   rgb(255, 0, 0),   rgb(0, 127, 0),
                                     rgb(245, 127, 0), rgb(127, 0, 127), rgb(0, 85, 85),
                                     rgb(0, 66, 127)};
    const uint32_t shade_10[] = {rgb(40, 40, 255),  rgb(255, 40, 40), rgb(0, 147, 20),
                                 rgb(245, 147, 20), rgb(147, 0, 147), rgb(0, 115, 115),
                                 rgb(0, 86, 147)};
    for (int i = 0; i < ball_colour_count; ++i) {
        EXPECT_EQ(shades.shade_colour[i][0], full_colours[i]) << "colour " << i;
        EXPECT_EQ(shades.shade_colour[i][10], shade_10[i]) << "colour " << i;
        EXPECT_EQ(shades.shade_colour[i][53], 0u) << "beyond ring_count stays 0";
    }
    // Other ring counts, other steps: 33 gives 235 / 33 = 7 (34 would give 6), 42 gives
    // 170 / 42 = 4 and 127 / 42 = 3 (43 would give 3 and 2).
    struct Shade {
        int ring_count, colour, shade;
        uint32_t expected;
    };
    const Shade known[] = {{33, 0, 33, rgb(231, 231, 255)}, {42, 5, 42, rgb(0, 253, 253)},
                           {42, 2, 42, rgb(0, 253, 126)},   {32, 1, 32, rgb(255, 224, 224)},
                           {41, 3, 41, rgb(245, 250, 123)}, {62, 6, 62, rgb(0, 190, 251)}};
    for (const Shade& k : known) {
        fill_shade_colours(k.ring_count, shades);
        EXPECT_EQ(shades.shade_colour[k.colour][k.shade], k.expected)
            << "ring count " << k.ring_count << ", colour " << k.colour;
    }
    // Every ring count a layout can give: no channel spills into the next one.
    for (int n = 6; n <= 62; ++n) {
        fill_shade_colours(n, shades);
        for (int i = 0; i < ball_colour_count; ++i) {
            for (int j = 0; j <= n; ++j) {
                EXPECT_LT(shades.shade_colour[i][j], 0x1000000u);
                EXPECT_GE(shades.shade_colour[i][j] & 0xFF, red_of(full_colours[i]));
            }
        }
    }
}

// A ring count the ramps cannot hold leaves every shade cleared, even after a full fill: 0 and
// below, and the capacity itself (whose last shade would lie one past the array), while one
// less still fills its last shade.
TEST(BallShades, RingCountsOutsideTheRampsClearEveryShade) {
    struct Case {
        int32_t ring_count;
        uint32_t last_blue; // shade_colour[0][62]
        uint32_t first_red; // shade_colour[1][0]
    };
    // 63: steps 235 / 63 = 3, so shade 62 of blue is 186.
    const Case cases[] = {{-1, 0, 0},
                          {0, 0, 0},
                          {shade_capacity, 0, 0},
                          {shade_capacity + 1, 0, 0},
                          {shade_capacity - 1, rgb(186, 186, 255), rgb(255, 0, 0)}};
    for (const Case& c : cases) {
        BallShades shades;
        fill_shade_colours(62, shades);
        fill_shade_colours(c.ring_count, shades);
        EXPECT_EQ(shades.shade_colour[0][62], c.last_blue) << "ring count " << c.ring_count;
        EXPECT_EQ(shades.shade_colour[1][0], c.first_red) << "ring count " << c.ring_count;
        if (c.first_red == 0) {
            for (int i = 0; i < ball_colour_count; ++i) {
                for (int j = 0; j < shade_capacity; ++j) {
                    ASSERT_EQ(shades.shade_colour[i][j], 0u)
                        << "ring count " << c.ring_count << ", colour " << i << ", shade " << j;
                }
            }
        }
    }
}

// The panel's conversion of a pixel length to 16-bit dialog units at the smallest base
// units a system font has (6 across, and at least as many down).
bool fits_dialog_units(int64_t pixels, int multiplier) {
    const int64_t units = pixels * multiplier / 6;
    return units >= INT16_MIN && units <= INT16_MAX;
}

// Whether every length the panel converts, and the ball drawing, stays sound.
bool sound_layout(const Geometry& g) {
    const int32_t bw = g.board_width;
    return g.half_cell >= 4 && g.ball_radius >= 2 && g.ring_count <= 62 &&
           fits_dialog_units(9 * int64_t(g.cell_size) + g.grid_left + 1, 4) &&
           fits_dialog_units(panel_width_pixels(bw), 4) &&
           fits_dialog_units(link_bitmap_left(bw), 4) &&
           fits_dialog_units(int64_t(g.grid_top) + 1, 8) &&
           fits_dialog_units(8 * int64_t(g.cell_size) - 2, 8) &&
           fits_dialog_units(layout_to_pixels(panel_lowest_row_top, bw), 8);
}

Geometry layout_at(int32_t width, int32_t height, float fraction) {
    return layout_for_screen(width, height, fraction);
}

TEST(ScreenFractionBounds, SoundFractionsStayAsTheyAre) {
    for (float f : {1.0f, 0.8f, 0.5f, 0.13f, 2.0f, 10.0f}) {
        EXPECT_EQ(sound_screen_fraction(1024, 768, f), f);
    }
    // 2.0 still lays out a board wider than the screen.
    EXPECT_EQ(layout_at(1024, 768, 2.0f).board_width, 2048);
}

TEST(ScreenFractionBounds, NonsenseCountsAsTheWholeWidth) {
    const float nonsense[] = {
        std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, -1.0f, -0.0f, 0.0f, -FLT_MAX};
    for (float f : nonsense) {
        EXPECT_EQ(sound_screen_fraction(1024, 768, f), 1.0f) << f;
    }
}

TEST(ScreenFractionBounds, TooSmallIsRaisedToTheSmallestSoundBoard) {
    // The margins are equal, so an even screen only has even board widths.
    const int32_t screens[][2] = {{1024, 116}, {1023, 115}};
    for (const auto& screen : screens) {
        for (float f : {FLT_MIN, 1e-30f, 0.05f, 0.111f}) {
            const float bounded = sound_screen_fraction(screen[0], 768, f);
            EXPECT_GT(bounded, f);
            const Geometry g = layout_at(screen[0], 768, bounded);
            EXPECT_EQ(g.board_width, screen[1]) << f;
            EXPECT_EQ(g.half_cell, 4);
            EXPECT_EQ(g.ball_radius, 2);
            EXPECT_LT(layout_at(screen[0], 768, std::nextafter(bounded, 0.0f)).half_cell, 4);
        }
    }
}

TEST(ScreenFractionBounds, TooLargeIsLoweredToTheLargestThatFitsThePanel) {
    for (float f : {100.0f, 1e30f, FLT_MAX}) {
        const float bounded = sound_screen_fraction(1024, 768, f);
        EXPECT_LT(bounded, f);
        // On this screen the panel's height, 8 cell sizes, meets the 16-bit limit first.
        EXPECT_EQ(layout_at(1024, 768, bounded).half_cell, 1534) << f;
        EXPECT_EQ(layout_at(1024, 768, std::nextafter(bounded, INFINITY)).half_cell, 1535);
        EXPECT_TRUE(sound_layout(layout_at(1024, 768, bounded)));
    }
}

// Known answers at both bounds and between them: the fraction used, the board, and the
// panel's width, banner edge and lowest row in pixels.
TEST(ScreenFractionBounds, KnownScreensGiveKnownBoundsAndPanelLengths) {
    struct Case {
        int32_t width, height;
        float typed, bounded;
        int32_t board_width, half_cell, panel_width, banner_left, lowest_row_top;
    };
    const Case cases[] = {
        {1024, 768, 1.0f, 1.0f, 1024, 35, 135, 23, 497},
        {1280, 1024, 3.0f, 3.0f, 3840, 134, 506, 209, 1867},
        {1024, 768, 0.05f, 0x1.ccp-4f, 116, 4, 15, -36, 56},
        {640, 480, 1e-30f, 0x1.7p-3f, 116, 4, 15, -36, 56},
        {1, 1, 1.0f, 0x1.ccp+6f, 115, 4, 15, -36, 55},
        {1024, 768, FLT_MAX, 0x1.56a3fep+5f, 43856, 1534, 5788, 2850, 21322},
        {7680, 4320, 1e30f, 0x1.6d7bbap+2f, 43856, 1534, 5788, 2850, 21322},
        {32767, 100, 1e30f, 0x1.56a8acp+0f, 43857, 1534, 5789, 2850, 21323},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.typed);
        const float bounded = sound_screen_fraction(c.width, c.height, c.typed);
        EXPECT_EQ(bounded, c.bounded);
        const Geometry g = layout_at(c.width, c.height, bounded);
        EXPECT_EQ(g.board_width, c.board_width);
        EXPECT_EQ(g.half_cell, c.half_cell);
        EXPECT_EQ(panel_width_pixels(g.board_width), c.panel_width);
        EXPECT_EQ(link_bitmap_left(g.board_width), c.banner_left);
        EXPECT_EQ(layout_to_pixels(panel_lowest_row_top, g.board_width), c.lowest_row_top);
    }
}

TEST(ScreenFractionBounds, EveryScreenAndFractionGivesASoundLayout) {
    const int32_t sides[][2] = {{0, 0},
                                {1, 1},
                                {-5, 100},
                                {100, 50},
                                {640, 480},
                                {32767, 32767},
                                {INT32_MAX, INT32_MAX},
                                {7680, 4320},
                                {INT32_MIN, 768}};
    const float fractions[] = {
        std::numeric_limits<float>::quiet_NaN(), -1.0f, 1e-30f, 0.3f, 1.0f, 3.0f, 1e30f};
    for (const auto& side : sides) {
        for (float f : fractions) {
            float used = sound_screen_fraction(side[0], side[1], f);
            compute_layout_and_shades(side[0], side[1], used);
            EXPECT_TRUE(sound_layout(geometry))
                << side[0] << "x" << side[1] << " at " << f << ": half_cell " << geometry.half_cell;
            EXPECT_GT(used, 0.0f);
        }
    }
}

} // namespace
