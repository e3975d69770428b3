#include "shell/screen_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

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

TEST(ScreenFit, FractionTextIsWhatAPersonTypes) {
    EXPECT_EQ(fraction_text(1000), "1.000");
    EXPECT_EQ(fraction_text(936), "0.936");
    EXPECT_EQ(fraction_text(7), "0.007");
}

// What Windows gives a program that keeps the system's scaling: the screen divided by the
// scale, and a maximized client area below a 23-row caption and above a 48-row taskbar.
int fraction_on_windows(int width, int height, int scale_percent) {
    const Extent screen = {width * 100 / scale_percent, height * 100 / scale_percent};
    return largest_fitting_fraction(screen, {screen.width, screen.height - 23 - 48});
}

std::vector<std::string> lines_of(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

int thousandths_of(double fraction) { return int(std::lround(fraction * 1000)); }

// The read-mes are UTF-8; the sources' narrow literals become code page 1251, which has no
// "×", hence its bytes.
TEST(ScreenFit, TheReadMeTablesHoldItsAnswers) {
    int rows = 0;
    for (const std::string& line : lines_of(TRIVELLE_SOURCE_DIR "/README.md")) {
        int width = 0, height = 0, scale = 0;
        double fraction = 0;
        if (std::sscanf(line.c_str(), "| %d \xC3\x97 %d | %d %% | %lf |", &width, &height, &scale,
                        &fraction) == 4) {
            ++rows;
            EXPECT_EQ(thousandths_of(fraction), fraction_on_windows(width, height, scale)) << line;
        }
    }
    EXPECT_GT(rows, 0) << "no table in the README";

    // The release read-me: a screen, its fraction at 100 % and, if given, at 125 %.
    rows = 0;
    for (const std::string& line : lines_of(TRIVELLE_SOURCE_DIR "/docs/readme.txt")) {
        int width = 0, height = 0;
        double at_100 = 0, at_125 = 0;
        const int read =
            std::sscanf(line.c_str(), " %d \xC3\x97 %d %lf %lf", &width, &height, &at_100, &at_125);
        if (read >= 3) {
            ++rows;
            EXPECT_EQ(thousandths_of(at_100), fraction_on_windows(width, height, 100)) << line;
        }
        if (read == 4) {
            EXPECT_EQ(thousandths_of(at_125), fraction_on_windows(width, height, 125)) << line;
        }
    }
    EXPECT_GT(rows, 0) << "no table in docs/readme.txt";
}

} // namespace
