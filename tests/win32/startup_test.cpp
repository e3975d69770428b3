#include "tests/win32/program_under_test_win32.h"
#include "tests/win32/test_board_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

RECT rect_in_parent(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool same_rect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class StartUp : public testing::TestWithParam<WORD> {};

TEST_P(StartUp, OpensMaximizedWithTheBoardOverTheClientAreaAndExitsWithZero) {
    RunningProgram program = start_program("", GetParam());
    ASSERT_NE(program.main_window, nullptr);
    ASSERT_NE(program.board_window, nullptr);
    EXPECT_TRUE(IsZoomed(program.main_window));

    RECT client;
    GetClientRect(program.main_window, &client);
    EXPECT_GT(client.right, 600);
    EXPECT_TRUE(same_rect(rect_in_parent(program.board_window), client));

    // Minimizing leaves the board window where it was; restoring fits it again.
    const RECT before = rect_in_parent(program.board_window);
    ShowWindow(program.main_window, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(program.main_window));
    EXPECT_TRUE(same_rect(rect_in_parent(program.board_window), before));
    ShowWindow(program.main_window, SW_RESTORE);
    GetClientRect(program.main_window, &client);
    EXPECT_TRUE(same_rect(rect_in_parent(program.board_window), client));

    EXPECT_EQ(close_program(program), 0u);
}

INSTANTIATE_TEST_SUITE_P(ShowCommands, StartUp,
                         testing::Values(WORD(SW_HIDE), WORD(SW_SHOWNORMAL),
                                         WORD(SW_SHOWMINNOACTIVE)));

// The board window's client area as the screen shows it, once it has stopped changing.
Pixels settled_board(HWND board) {
    RECT client;
    GetClientRect(board, &client);
    POINT origin = {0, 0};
    ClientToScreen(board, &origin);
    HDC screen = GetDC(nullptr);
    Pixels last = read_pixels(screen, origin.x, origin.y, client.right, client.bottom);
    for (int tries = 0; tries < 40; ++tries) {
        Sleep(100);
        Pixels now = read_pixels(screen, origin.x, origin.y, client.right, client.bottom);
        const bool still = now.colours == last.colours;
        last = std::move(now);
        if (still) {
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    return last;
}

TEST(Resizing, GrowingTheWindowShowsTheWholeBoard) {
    RunningProgram program = start_program("");
    ASSERT_NE(program.board_window, nullptr);
    ShowWindow(program.main_window, SW_RESTORE);
    settled_board(program.board_window);
    ShowWindow(program.main_window, SW_MAXIMIZE);
    const Pixels grown = settled_board(program.board_window);

    // What the board shows when all of it is painted from its canvas again.
    InvalidateRect(program.board_window, nullptr, FALSE);
    const Pixels repainted = settled_board(program.board_window);
    ASSERT_EQ(grown.colours.size(), repainted.colours.size());
    size_t differing = 0;
    for (size_t i = 0; i < grown.colours.size(); ++i) {
        differing += grown.colours[i] != repainted.colours[i];
    }
    EXPECT_EQ(differing, 0u) << "pixels of the grown area left unpainted";
    if (differing) {
        save_test_picture(grown, "grown-board.bmp");
    }
    EXPECT_EQ(close_program(program), 0u);
}

TEST(StartUpArguments, LongArgumentTextStartsSafely) {
    RunningProgram program = start_program("0.8" + std::string(300, '7') + " words after it");
    ASSERT_NE(program.main_window, nullptr);
    EXPECT_TRUE(IsZoomed(program.main_window));
    EXPECT_EQ(close_program(program), 0u);
}

} // namespace
