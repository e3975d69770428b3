#include "tests/e2e/e2e_driver.h"

#include <gtest/gtest.h>

namespace {

struct DesktopCase {
    int width, height;
};

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
                         [](const testing::TestParamInfo<DesktopCase>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

} // namespace
