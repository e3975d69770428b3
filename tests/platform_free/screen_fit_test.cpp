#include "shell/screen_fit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FitCase {
    const char* shape;
    Extent screen;
    Extent client;
    int expected; // thousandths; 0 when nothing fits
};

// Clients 19 rows short of the screen are Wine's maximized windows; 1920 x 1009 is one under a
// 23-row caption and a 48-row taskbar. Worked by hand, e.g. 1366 x 768 at 0.920: board 1256
// wide, cells of 88, grid top (768 - 55 - 704) / 2 - 1 = 3; at 0.921 the board is 1258 wide,
// its cells 90 and the grid top -4. 1920 x 1009 at 0.922: cells of 124, grid lines from 15 to
// 1007; at 0.923 cells of 126 put the last line at 1015, below the client area.
const FitCase fit_cases[] = {
    {"4:3", {1024, 768}, {1024, 749}, 1000},
    {"4:3", {800, 600}, {800, 581}, 1000},
    {"5:4", {1280, 1024}, {1280, 1005}, 1000},
    {"16:10", {1680, 1050}, {1680, 1031}, 1000},
    {"16:9", {1366, 768}, {1366, 749}, 920},
    {"16:9", {1920, 1080}, {1920, 1061}, 936},
    {"16:9 with a taskbar", {1920, 1080}, {1920, 1009}, 922},
    {"21:9", {2560, 1080}, {2560, 1061}, 702},
    {"very small", {320, 240}, {320, 221}, 984},
    {"too small for any board", {160, 120}, {160, 101}, 0},
};

TEST(ScreenFit, ChoosesTheLargestFractionThatFits) {
    for (const FitCase& c : fit_cases) {
        SCOPED_TRACE(testing::Message()
                     << c.shape << " " << c.screen.width << "x" << c.screen.height);
        const int chosen = largest_fitting_fraction(c.screen, c.client);
        EXPECT_EQ(chosen, c.expected);
        if (chosen > 0) {
            EXPECT_TRUE(game_fits_client(c.screen, c.client, fraction_text(chosen).c_str()));
        }
        if (chosen < fraction_steps) {
            EXPECT_FALSE(game_fits_client(c.screen, c.client, fraction_text(chosen + 1).c_str()));
        }
    }
}

TEST(ScreenFit, TheFullWidthBoardOfAWideScreenOverhangsTheCaption) {
    // At 1.0 the grid of a 1920 x 1080 screen starts 32 rows above the client area.
    EXPECT_FALSE(game_fits_client({1920, 1080}, {1920, 1061}, nullptr));
    EXPECT_TRUE(game_fits_client({1024, 768}, {1024, 749}, nullptr));
}

// The game fits when its last pixel is the client area's last one, and not a pixel less.
// 1024 x 768 at 1.0: cells of 72, grid lines from 186 to 762 across and 67 to 643 down; the
// panel starts at 186 + 9 * 72 + 1 = 835 and is trunc(0.0022 * 1024 * 60) = 135 wide, so its
// last column is 969. At a height of 633 the grid's top line is (633 - 55 - 576) / 2 - 1 = 0
// and its last 576; at 632 it is -1, above any client area.
TEST(ScreenFit, TheLastPixelOfTheClientAreaStillCounts) {
    struct EdgeCase {
        const char* edge;
        Extent screen;
        Extent client;
        bool fits;
    };
    const EdgeCase cases[] = {
        {"panel at the right edge", {1024, 768}, {970, 768}, true},
        {"panel one past it", {1024, 768}, {969, 768}, false},
        {"grid at the bottom edge", {1024, 768}, {1024, 644}, true},
        {"grid one past it", {1024, 768}, {1024, 643}, false},
        {"grid at the top edge", {1024, 633}, {1024, 577}, true},
        {"grid one below the bottom", {1024, 633}, {1024, 576}, false},
        {"grid one above the top", {1024, 632}, {1024, 632}, false},
    };
    for (const EdgeCase& c : cases) {
        EXPECT_EQ(game_fits_client(c.screen, c.client, "1"), c.fits) << c.edge;
    }
    EXPECT_EQ(largest_fitting_fraction({1024, 768}, {970, 768}), 1000);
    EXPECT_LT(largest_fitting_fraction({1024, 768}, {969, 768}), 1000);
}

TEST(ScreenFit, FractionTextIsWhatAPersonTypes) {
    EXPECT_EQ(fraction_text(1000), "1.000");
    EXPECT_EQ(fraction_text(936), "0.936");
    EXPECT_EQ(fraction_text(7), "0.007");
}

// Without a fraction of its own the program takes the largest that fits the maximized
// window; a fraction given is taken as given, even where it does not fit.
TEST(ScreenFit, TheStartingFractionFitsUnlessOneIsGiven) {
    struct StartCase {
        const char* argument;
        Extent screen;
        Extent client;
        float expected;
    };
    const StartCase cases[] = {
        {nullptr, {1920, 1080}, {1920, 1061}, 0.936f},
        {"", {1920, 1080}, {1920, 1061}, 0.936f},
        {"abc", {1366, 768}, {1366, 749}, 0.920f},
        {"0", {1366, 768}, {1366, 749}, 0.920f},
        // Windows' own: a 23-row caption over a 48-row taskbar, and 125 % of 1920 x 1080.
        {nullptr, {1920, 1080}, {1920, 1009}, 0.922f},
        {nullptr, {1536, 864}, {1536, 793}, 0.892f},
        {nullptr, {1024, 768}, {1024, 749}, 1.0f},
        {nullptr, {1280, 1024}, {1280, 1005}, 1.0f},
        {nullptr, {160, 120}, {160, 101}, 1.0f}, // nothing fits: the old default
        {"0.8", {1920, 1080}, {1920, 1061}, 0.8f},
        {"1", {1920, 1080}, {1920, 1061}, 1.0f},
        {"2", {1024, 768}, {1024, 749}, 2.0f},
        // Any number but 0 is given, a negative one too: the layout bounds it later.
        {"-1", {1920, 1080}, {1920, 1061}, -1.0f},
    };
    for (const StartCase& c : cases) {
        EXPECT_EQ(starting_fraction(c.argument, c.screen, c.client), c.expected)
            << (c.argument ? c.argument : "no argument") << " on " << c.screen.width << "x"
            << c.screen.height << " in " << c.client.width << "x" << c.client.height;
    }
}

} // namespace
