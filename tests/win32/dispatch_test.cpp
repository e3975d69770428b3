#include "shell/message_dispatch_win32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> handled;

LRESULT first_handler(HWND, UINT, WPARAM, LPARAM) {
    handled.push_back(1);
    return 11;
}
LRESULT second_handler(HWND, UINT, WPARAM, LPARAM) {
    handled.push_back(2);
    return 22;
}

WORD seen_id, seen_code;
HWND seen_control;
LRESULT command_handler(HWND, WORD id, WORD code, HWND control) {
    seen_id = id;
    seen_code = code;
    seen_control = control;
    return 7;
}

// A real window whose title the default procedure reports.
struct TitledWindow {
    HWND window = CreateWindowExA(0, "STATIC", "abc", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ~TitledWindow() { DestroyWindow(window); }
};

TEST(MessageDispatch, FirstMatchingRowWins) {
    const MessageEntry entries[] = {{WM_USER, first_handler}, {WM_USER, second_handler}};
    handled.clear();
    EXPECT_EQ(dispatch_message(make_table(entries, default_proc_none), nullptr, WM_USER, 0, 0), 11);
    EXPECT_EQ(handled, std::vector<int>{1});
}

TEST(MessageDispatch, UnlistedMessagesGoToTheDefaultKind) {
    TitledWindow titled;
    ASSERT_NE(titled.window, nullptr);
    const MessageEntry entries[] = {{WM_USER, first_handler}};
    struct Case {
        int32_t count;
        int32_t kind;
        LRESULT expected;
    };
    const Case cases[] = {
        {1, default_proc_window, 3}, // DefWindowProcA reports the title's length
        {1, default_proc_none, 0},   {1, 7, 0}, {1, -1, 0},
        {0, default_proc_window, 3}, // an empty table is searched in vain
        {-5, default_proc_none, 0},
    };
    for (const Case& c : cases) {
        handled.clear();
        const MessageTable table = {c.count, entries, DefaultProcKind(c.kind)};
        EXPECT_EQ(dispatch_message(table, titled.window, WM_GETTEXTLENGTH, 0, 0), c.expected)
            << "count " << c.count << " kind " << c.kind;
        EXPECT_TRUE(handled.empty());
    }
    const MessageTable empty = {0, entries, default_proc_none};
    EXPECT_EQ(dispatch_message(empty, nullptr, WM_USER, 0, 0), 0) << "count 0 finds no row";
}

TEST(CommandDispatch, MatchesIdsOnTheirLowSixteenBitsForAnyNotification) {
    const CommandEntry entries[] = {{0x10000u | 103u, command_handler}};
    const CommandTable table = make_table(entries, default_proc_none);
    const HWND control = reinterpret_cast<HWND>(0x1234);
    for (WORD code : {WORD(0), WORD(9), WORD(0xFFFF)}) {
        seen_id = seen_code = 0;
        EXPECT_EQ(dispatch_command(table, nullptr, MAKEWPARAM(103, code),
                                   reinterpret_cast<LPARAM>(control)),
                  7);
        EXPECT_EQ(seen_id, 103);
        EXPECT_EQ(seen_code, code);
        EXPECT_EQ(seen_control, control);
    }
    seen_id = 0;
    EXPECT_EQ(dispatch_command(table, nullptr, MAKEWPARAM(104, 0), 0), 0);
    EXPECT_EQ(seen_id, 0) << "an id not in the table reaches no handler";
}

TEST(CommandDispatch, UnmatchedCommandsGoToTheDefaultProcedureAsWmCommand) {
    TitledWindow titled;
    const CommandEntry entries[] = {{103, command_handler}};
    // DefWindowProcA answers WM_COMMAND with 0; the table must not turn it into anything else.
    EXPECT_EQ(dispatch_command(make_table(entries, default_proc_window), titled.window,
                               MAKEWPARAM(999, 0), 0),
              0);
}

} // namespace
