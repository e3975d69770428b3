#include "render/screen_layout.h"
#include "resources/control_ids.h"
#include "shell/screen_fit.h"
#include "shell/screen_fraction.h"
#include "tests/e2e/board_reader.h"
#include "tests/e2e/e2e_driver.h"

#include <gtest/gtest.h>

namespace {

struct DesktopCase {
    int width, height;
};

std::string desktop_name(const testing::TestParamInfo<DesktopCase>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

class RealProgram : public ProgramTest, public testing::WithParamInterface<DesktopCase> {};

TEST_P(RealProgram, StartsMaximizedWithTheBoardOverTheWholeClientArea) {
    ProgramStart start;
    start.desktop_width = GetParam().width;
    start.desktop_height = GetParam().height;
    ASSERT_TRUE(start_program(start));
    const auto area = board_area();
    ASSERT_TRUE(area);
    // Maximized: the client area spans the desktop's width and reaches its bottom.
    EXPECT_EQ(area->left, 0);
    EXPECT_EQ(area->width, GetParam().width);
    EXPECT_EQ(area->top + area->height, GetParam().height);
    EXPECT_GT(area->top, 0) << "the caption stays above the client area";

    const Screenshot shot = take_screenshot();
    EXPECT_EQ(shot.width, GetParam().width);
    EXPECT_EQ(shot.height, GetParam().height);
    EXPECT_TRUE(stop_program()) << "Wine logged an exception";
}

INSTANTIATE_TEST_SUITE_P(Desktops, RealProgram,
                         testing::Values(DesktopCase{1024, 768}, DesktopCase{1280, 1024}),
                         desktop_name);

struct WideCase {
    int width, height;
    const char* fitting; // the fraction a maximized window's client area takes
};

std::string wide_name(const testing::TestParamInfo<WideCase>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

class WideScreen : public ProgramTest, public testing::WithParamInterface<WideCase> {};

// Started with no fraction on a wide screen, the program shows the whole game: the grid's
// first and last lines, the preview column and the panel from "New" to its last banner.
TEST_P(WideScreen, WithoutAFractionTheWholeGameFits) {
    const Extent screen = {GetParam().width, GetParam().height};
    ProgramStart start;
    start.desktop_width = screen.width;
    start.desktop_height = screen.height;
    ASSERT_TRUE(start_program(start));
    const auto area = board_area();
    ASSERT_TRUE(area);
    // A maximized window under Wine loses the caption's 19 rows.
    EXPECT_EQ(area->height, screen.height - 19);

    const Screenshot before = take_screenshot();
    ASSERT_TRUE(click_control(IDC_NEW));
    ASSERT_TRUE(wait_for_screen_change(before));
    const Screenshot shot = take_screenshot();

    float fraction = sound_screen_fraction(screen.width, screen.height,
                                           parse_screen_fraction(GetParam().fitting));
    // The program's own layout for this screen, where the preview's placement can read it.
    geometry = layout_for_screen(screen.width, screen.height, fraction);
    const Geometry& g = geometry;
    const int first_line = 0, last_line = 8 * g.cell_size;
    const uint32_t grid_line = 0x00376F;
    for (const int line : {first_line, last_line}) {
        EXPECT_EQ(shot.pixel(area->left + g.grid_left + line, area->top + g.grid_top + line),
                  grid_line)
            << "grid corner at " << line;
    }
    // Just inside the outer corners the cells' grey shows, whatever ball stands there.
    EXPECT_EQ(pixel_colour(shot, *area, g.grid_left + 1, g.grid_top + 1), empty_cell);
    EXPECT_EQ(pixel_colour(shot, *area, g.grid_left + last_line - 1, g.grid_top + last_line - 1),
              empty_cell);
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_GE(pixel_colour(shot, *area, preview_centre_x(), preview_centre_y(slot)), 0)
            << "preview slot " << slot;
    }
    const auto new_button = control_rect(IDC_NEW);
    const auto last_banner = control_rect(IDC_LINK_4);
    ASSERT_TRUE(new_button && last_banner);
    EXPECT_GE(new_button->top, area->top);
    EXPECT_LE(last_banner->top + last_banner->height, area->top + area->height);
    EXPECT_TRUE(stop_program()) << "Wine logged an exception";
}

// Worked by hand for 1366 x 749 (see the fit's native tests).
INSTANTIATE_TEST_SUITE_P(Desktops, WideScreen,
                         testing::Values(WideCase{1366, 768, "0.920"},
                                         WideCase{1920, 1080, "0.936"}),
                         wide_name);

} // namespace
