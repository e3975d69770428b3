// Layout units, dialog units and the hot spots of the link banners.
#include "panel/panel_layout.h"
#include "render/panel_extent.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(PanelUnits, LayoutUnitsGrowWithTheBoardWidth) {
    struct Case {
        int32_t board_width, units, pixels;
    } cases[] = {
        {1024, 60, 135},  {1024, 170, 382}, {1024, 221, 497}, {1280, 60, 168},
        {1280, 170, 478}, {640, 60, 84},    {1000, 5, 11},    {1000, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(layout_to_pixels(c.units, c.board_width), c.pixels)
            << c.board_width << " wide, " << c.units << " units";
    }
}

TEST(PanelUnits, PixelsBecomeDialogUnitsTruncatedTowardZero) {
    const DialogBaseUnits classic = {8, 16}, wine = {7, 16};
    EXPECT_EQ(pixels_to_dialog_x(835, classic), 417);
    EXPECT_EQ(pixels_to_dialog_x(-2, classic), -1);
    EXPECT_EQ(pixels_to_dialog_x(-8, wine), -4);
    EXPECT_EQ(pixels_to_dialog_x(88, wine), 50);
    EXPECT_EQ(pixels_to_dialog_y(68, classic), 34);
    EXPECT_EQ(pixels_to_dialog_y(23, classic), 11);
}

TEST(PanelUnits, OneConversionServesLayoutAndPixelLengths) {
    const DialogBaseUnits base = {8, 16};
    const DialogLength layout = to_dialog_units(15, 4, LengthUnit::layout, base, 1024);
    EXPECT_EQ(layout.px_h, 33);
    EXPECT_EQ(layout.px_v, 9);
    EXPECT_EQ(layout.dx, 16);
    EXPECT_EQ(layout.dy, 4);
    const DialogLength pixels = to_dialog_units(15, 4, LengthUnit::pixels, base, 1024);
    EXPECT_EQ(pixels.px_h, 15);
    EXPECT_EQ(pixels.px_v, 4);
    EXPECT_EQ(pixels.dx, 7);
    EXPECT_EQ(pixels.dy, 2);
}

TEST(PanelUnits, BannersAreCentredAndOverhangANarrowPanel) {
    EXPECT_EQ(link_bitmap_left(1024), 23);
    EXPECT_EQ(link_bitmap_left(1280), 40);
    EXPECT_EQ(link_bitmap_left(640), -2);
}

TEST(PanelLayout, RowsHoldSignedSixteenBitValues) {
    fill_control_layout();
    EXPECT_EQ(control_layout[30].h, 200);
    EXPECT_EQ(control_layout[27].y, 221);
    set_layout_row(5, -3, 70000, 1, 2);
    EXPECT_EQ(control_layout[5].x, -3);
    EXPECT_EQ(control_layout[5].y, int16_t(70000 - 65536));
    fill_control_layout();
    EXPECT_EQ(control_layout[5].x, 2);
}

// The screen-fraction bound judges the panel's width and its lowest row's top; every other
// layout length the panel converts must be no longer.
TEST(PanelLayout, TheFractionBoundCoversTheLongestLengthsOfTheDesign) {
    int longest_across = 0;
    int longest_down = 0;
    for (const DesignRow& row : panel_design) {
        longest_across = std::max({longest_across, int(row.rect.x), int(row.rect.w)});
        longest_down = std::max({longest_down, int(row.rect.y), int(row.rect.h)});
    }
    EXPECT_LE(longest_across, panel_layout_width);
    EXPECT_EQ(longest_down, panel_lowest_row_top);
}

TEST(LinkHotSpots, HitsAreStrictlyInsideAndTheFirstHitCounts) {
    link_hot_spots[0] = {23, 382, 88, 30};
    link_hot_spots[1] = {23, 421, 88, 30};
    link_hot_spots[2] = {23, 459, 88, 30};
    link_hot_spots[3] = {23, 480, 88, 30}; // overlaps spot 2 on purpose
    struct Case {
        int32_t x, y;
        int expected;
    } cases[] = {
        {23, 390, -1}, {24, 390, 0}, {110, 390, 0}, {111, 390, -1},   {60, 382, -1},
        {60, 383, 0},  {60, 411, 0}, {60, 412, -1}, {60, 421, -1},    {60, 422, 1},
        {60, 485, 2},  {60, 495, 3}, {0, 0, -1},    {65535, 390, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hot_spot_at(c.x, c.y), c.expected) << c.x << ", " << c.y;
    }
}

} // namespace
