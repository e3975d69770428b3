// The real control panel: placement, states, rules, fonts, tooltips, links, info box, closing.
#include "engine/game_state.h"
#include "panel/panel_fonts_win32.h"
#include "panel/panel_layout.h"
#include "panel/panel_win32.h"
#include "resources/ambient_win32.h"
#include "resources/control_ids.h"
#include "resources/web_addresses.h"
#include "tests/support/browser_log_win32.h"
#include "tests/win32/panel_on_screen_win32.h"
#include "tests/win32/program_under_test_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

DialogBaseUnits platform_base() {
    const LONG units = GetDialogBaseUnits();
    return {LOWORD(units), HIWORD(units)};
}

// Layout units to pixels to dialog units, and back to pixels as the dialog manager does.
// A layout unit is 22/10000 of the board width, here in exact integers; on these screens no
// length falls on a whole pixel, so truncating the exact quotient is the panel's answer.
int32_t layout_px(int32_t v, int32_t board_width) {
    return int32_t(int64_t(22) * board_width * v / 10000);
}
int32_t on_screen_x(int32_t pixels, DialogBaseUnits base) {
    return MulDiv(pixels * 4 / base.x, base.x, 4);
}
int32_t on_screen_y(int32_t pixels, DialogBaseUnits base) {
    return MulDiv(pixels * 8 / base.y, base.y, 8);
}

RECT rect_in(HWND window, HWND reference) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class PanelPlacementOnScreen : public testing::TestWithParam<ScreenLayout> {};

TEST_P(PanelPlacementOnScreen, PanelAndControlsStandWhereTheLayoutPutsThem) {
    const ScreenLayout& s = GetParam();
    HWND board = build_test_panel(s);
    HWND panel = panel_controls.panel;
    ASSERT_NE(panel, nullptr);
    const DialogBaseUnits base = platform_base();
    const int32_t bw = s.board_width;

    RECT client;
    GetClientRect(panel, &client);
    POINT origin = {0, 0};
    MapWindowPoints(panel, board, &origin, 1);
    // The template places the client area; the border lies outside it.
    EXPECT_EQ(origin.x, on_screen_x(9 * s.cell_size + s.grid_left + 1, base));
    EXPECT_EQ(origin.y, on_screen_y(s.grid_top + 1, base));
    EXPECT_EQ(client.right, on_screen_x(layout_px(60, bw), base));
    EXPECT_EQ(client.bottom, on_screen_y(8 * s.cell_size - 2, base));

    // Known pixel lengths on these screens: the panel's 60 units, the banners' left edge, the
    // lowest row's 221 units and the list's 200.
    struct Known {
        int32_t board_width, panel_width, banner_left, lowest_row_top, list_height;
    };
    const Known known[] = {
        {1024, 135, 23, 497, 450}, {1280, 168, 40, 622, 563}, {820, 108, 10, 398, 360}};
    int32_t banner_left = 0;
    bool screen_known = false;
    for (const Known& k : known) {
        if (k.board_width == bw) {
            screen_known = true;
            banner_left = k.banner_left;
            EXPECT_EQ(layout_px(60, bw), k.panel_width);
            EXPECT_EQ((layout_px(60, bw) - 88) / 2, k.banner_left);
            EXPECT_EQ(layout_px(221, bw), k.lowest_row_top);
            EXPECT_EQ(layout_px(200, bw), k.list_height);
        }
    }
    ASSERT_TRUE(screen_known) << bw;

    fill_control_layout();
    for (int row = 0; row < 32; ++row) {
        SCOPED_TRACE("control " + std::to_string(panel_design[row].control_id));
        const LayoutRect& l = control_layout[row];
        HWND control = GetDlgItem(panel, panel_design[row].control_id);
        ASSERT_NE(control, nullptr);
        const RECT r = rect_in(control, panel);
        const bool banner = row >= 24 && row <= 27;
        EXPECT_EQ(r.left,
                  banner ? on_screen_x(banner_left, base) : on_screen_x(layout_px(l.x, bw), base));
        EXPECT_EQ(r.top, on_screen_y(layout_px(l.y, bw), base));
        if (banner) {
            // A bitmap static takes the size of its bitmap.
            EXPECT_EQ(r.right - r.left, 88);
            EXPECT_EQ(r.bottom - r.top, 31);
            continue;
        }
        EXPECT_EQ(r.right - r.left, on_screen_x(layout_px(l.w, bw), base));
        if (panel_design[row].control_id == IDC_BALL_COUNT_LIST) {
            // The list's height covers its drop-down part. Wine's dropped rectangle starts at the
            // closed field's top but leaves off its bottom the height the field had when it was
            // made, in the system font: a line of text and its frame.
            RECT dropped, closed;
            SendMessageA(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            GetWindowRect(control, &closed);
            const int32_t total = on_screen_y(layout_px(l.h, bw), base);
            EXPECT_LE(dropped.bottom - closed.top, total);
            EXPECT_GE(dropped.bottom - closed.top, total - (base.y + 8));
            continue;
        }
        EXPECT_EQ(r.bottom - r.top, on_screen_y(layout_px(l.h, bw), base));
    }
    destroy_test_panel(board);
}

INSTANTIATE_TEST_SUITE_P(Screens, PanelPlacementOnScreen,
                         testing::Values(screen_1024, screen_1280, screen_1024_at_08),
                         [](const testing::TestParamInfo<ScreenLayout>& info) {
                             return std::to_string(info.param.board_width) + "x" +
                                    std::to_string(info.param.board_height);
                         });

// The rounds frame begins a layout unit above the colour frame's bottom edge. Siblings are
// painted in their order, so nothing that comes after the rounds frame may reach into its
// caption's letters, which begin below the font's internal leading.
class RoundsCaption : public testing::TestWithParam<ScreenLayout> {};

TEST_P(RoundsCaption, NothingPaintedAfterItCoversItsLetters) {
    HWND board = build_test_panel(GetParam());
    HWND panel = panel_controls.panel;
    ASSERT_NE(panel, nullptr);
    HWND rounds = GetDlgItem(panel, IDC_ROUNDS_FRAME);
    HDC dc = GetDC(rounds);
    const HGDIOBJ old = SelectObject(dc, panel_font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(rounds, dc);

    RECT letters = rect_in(rounds, panel);
    letters.bottom = letters.top + metrics.tmHeight;
    letters.top += metrics.tmInternalLeading;
    for (HWND later = GetWindow(rounds, GW_HWNDNEXT); later;
         later = GetWindow(later, GW_HWNDNEXT)) {
        const RECT r = rect_in(later, panel);
        RECT overlap;
        EXPECT_FALSE(IsWindowVisible(later) && IntersectRect(&overlap, &r, &letters))
            << "control " << GetDlgCtrlID(later) << " reaches down to " << r.bottom
            << ", the letters begin at " << letters.top;
    }
    destroy_test_panel(board);
}

INSTANTIATE_TEST_SUITE_P(Screens, RoundsCaption,
                         testing::Values(screen_1024, screen_1280, screen_1920_fitted),
                         [](const testing::TestParamInfo<ScreenLayout>& info) {
                             return std::to_string(info.param.board_width) + "x" +
                                    std::to_string(info.param.board_height);
                         });

// Where the colour frame ends above the letters, the controls keep the template's order, and
// the panel its pixels.
TEST(RoundsCaptionOnSmallerBoards, TheControlsKeepTheTemplatesOrder) {
    for (const ScreenLayout& screen : {screen_1024, screen_1280}) {
        SCOPED_TRACE(screen.name);
        HWND board = build_test_panel(screen);
        HWND control = GetWindow(panel_controls.panel, GW_CHILD);
        for (const DesignRow& row : panel_design) {
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(GetDlgCtrlID(control), row.control_id);
            control = GetWindow(control, GW_HWNDNEXT);
        }
        destroy_test_panel(board);
    }
}

class Panel : public testing::Test {
  protected:
    void SetUp() override {
        board = build_test_panel(screen_1024);
        panel = panel_controls.panel;
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override { destroy_test_panel(board); }

    HWND item(int id) const { return GetDlgItem(panel, id); }
    bool checked(int id) const { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    std::string text(int id) const {
        char buffer[256] = {};
        GetDlgItemTextA(panel, id, buffer, sizeof buffer);
        return buffer;
    }
    // The user confirms a list entry.
    void confirm_ball_count(int count, WORD low_word = IDC_BALL_COUNT_LIST) {
        SendMessageA(item(IDC_BALL_COUNT_LIST), CB_SETCURSEL, count - 29, 0);
        SendMessageA(panel, WM_COMMAND, MAKEWPARAM(low_word, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(item(IDC_BALL_COUNT_LIST)));
    }
    void check_colour(int id) {
        for (int radio = IDC_COLOURS_2; radio <= IDC_COLOURS_7; ++radio) {
            SendMessageA(item(radio), BM_SETCHECK, radio == id ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }

    HWND board = nullptr;
    HWND panel = nullptr;
};

TEST_F(Panel, HandlesAreTheControlsOfTheirIds) {
    const int ids[] = {124, 125, 126, 127, 128, 129,  103,  105,  2110, 2115,
                       113, 116, 118, 120, 121, 4121, 4122, 4123, 3102, 104};
    for (int id : ids) {
        EXPECT_EQ(panel_control(id), item(id)) << id;
        EXPECT_NE(panel_control(id), nullptr) << id;
    }
}

TEST_F(Panel, StatesRightAfterConstructionFollowTheTemplate) {
    struct State {
        int id;
        bool visible, enabled;
    } states[] = {
        {103, true, false},  {105, false, false}, {2110, true, false}, {113, false, false},
        {116, true, false},  {118, true, false},  {120, true, false},  {121, true, false},
        {4121, true, false}, {4122, true, false}, {4123, true, false}, {124, true, false},
        {125, true, false},  {126, true, false},  {127, true, false},  {128, true, false},
        {129, true, false},  {3102, true, true},  {2115, true, true},  {104, true, true},
        {2111, true, true},  {2114, true, true},
    };
    for (const State& s : states) {
        EXPECT_EQ(IsWindowVisible(item(s.id)) != 0, s.visible) << s.id;
        EXPECT_EQ(IsWindowEnabled(item(s.id)) != 0, s.enabled) << s.id;
    }
    EXPECT_FALSE(checked(IDC_PRIVACY_SWITCH));
    for (int id = IDC_COLOURS_2; id <= IDC_COLOURS_7; ++id) {
        EXPECT_EQ(checked(id), id == IDC_COLOURS_7) << id;
    }
    EXPECT_EQ(game.settings.initial_ball_count, 42);
    EXPECT_EQ(game.settings.colour_count, 7);

    struct Limit {
        int id, characters;
    } limits[] = {{113, 77}, {116, 2},   {118, 51}, {120, 25},
                  {121, 4},  {4121, 16}, {4122, 3}, {4123, 4}};
    for (const Limit& l : limits) {
        EXPECT_EQ(SendMessageA(item(l.id), EM_GETLIMITTEXT, 0, 0), l.characters) << l.id;
    }
    EXPECT_EQ(text(116), "ru");
    EXPECT_EQ(text(4122), "5");
    EXPECT_EQ(text(4123), "12");
    EXPECT_EQ(text(2110), "Internet");
    EXPECT_EQ(text(106), "Точность=R*A");
    EXPECT_EQ(text(123), "Цветов");
    EXPECT_EQ(text(114), "Ник");
    EXPECT_EQ(text(115), "страна/город");
    EXPECT_EQ(text(117), " e-mail*");
    EXPECT_EQ(text(122), "год рожд*");
}

TEST_F(Panel, BallCountListOffers29To59WithTheDefaultSelected) {
    HWND list = item(IDC_BALL_COUNT_LIST);
    ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 31);
    for (int i = 0; i < 31; ++i) {
        char entry[16] = {};
        SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
        EXPECT_EQ(std::string(entry), std::to_string(29 + i));
    }
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 42 - 29);
}

TEST_F(Panel, ConfirmedBallCountAllowsTwoColoursOnlyUpTo32Balls) {
    for (int id = IDC_COLOURS_2; id <= IDC_COLOURS_7; ++id) {
        EnableWindow(item(id), TRUE);
    }
    check_colour(IDC_COLOURS_2);
    confirm_ball_count(33);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_COLOURS_2)));
    EXPECT_FALSE(checked(IDC_COLOURS_2));
    EXPECT_TRUE(checked(IDC_COLOURS_3));

    confirm_ball_count(32);
    EXPECT_TRUE(IsWindowEnabled(item(IDC_COLOURS_2)));
    EXPECT_FALSE(checked(IDC_COLOURS_2));
    EXPECT_TRUE(checked(IDC_COLOURS_3));

    check_colour(IDC_COLOURS_5);
    confirm_ball_count(40);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_COLOURS_2)));
    EXPECT_TRUE(checked(IDC_COLOURS_5));
    EXPECT_FALSE(checked(IDC_COLOURS_3));

    // The notification alone decides, whatever the low word says; the settings stay as read.
    check_colour(IDC_COLOURS_2);
    confirm_ball_count(29, 0xBEEF);
    EXPECT_TRUE(IsWindowEnabled(item(IDC_COLOURS_2)));
    confirm_ball_count(50, 0xBEEF);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_COLOURS_2)));
    EXPECT_TRUE(checked(IDC_COLOURS_3));
    EXPECT_EQ(game.settings.initial_ball_count, 42);
    EXPECT_EQ(game.settings.colour_count, 7);
}

TEST_F(Panel, BallCountRuleReportsWhetherItMovedTheChoice) {
    check_colour(IDC_COLOURS_2);
    EXPECT_FALSE(apply_ball_count_rule(32));
    EXPECT_TRUE(apply_ball_count_rule(33));
    EXPECT_FALSE(apply_ball_count_rule(33));
    EXPECT_TRUE(checked(IDC_COLOURS_3));
}

LOGFONTA font_of(HWND control) {
    LOGFONTA lf = {};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    GetObjectA(font, sizeof lf, &lf);
    return lf;
}

TEST_F(Panel, ControlsUseCourierNewSizedFromTheBoardHeight) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);

    for (int id : {2115, 112, 3102}) {
        EXPECT_EQ(SendMessageA(item(id), WM_GETFONT, 0, 0),
                  reinterpret_cast<LRESULT>(panel_bold_font))
            << id;
    }
    for (int id : {103, 105, 2110, 113, 116, 118, 120, 121, 4121, 4122, 4123, 106, 123,
                   124, 125, 126,  127, 128, 129, 102, 114, 115,  117,  122,  104}) {
        EXPECT_EQ(SendMessageA(item(id), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(panel_font))
            << id;
    }
    const LOGFONTA normal = font_of(item(IDC_NEW));
    EXPECT_EQ(normal.lfHeight, -13);
    EXPECT_EQ(normal.lfWeight, FW_NORMAL);
    EXPECT_EQ(normal.lfCharSet, RUSSIAN_CHARSET);
    EXPECT_EQ(normal.lfQuality, PROOF_QUALITY);
    EXPECT_STREQ(normal.lfFaceName, "Courier New");
    const LOGFONTA bold = font_of(item(IDC_INFO));
    EXPECT_EQ(bold.lfHeight, -17);
    EXPECT_EQ(bold.lfWeight, FW_BOLD);

    HDC dc = GetDC(panel);
    HGDIOBJ old = SelectObject(dc, panel_font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    ReleaseDC(panel, dc);
    EXPECT_STREQ(face, "Courier New");
}

struct TooltipSearch {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_tooltips(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<TooltipSearch*>(lparam);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 && GetWindow(window, GW_OWNER) == search->owner) {
        search->found.push_back(window);
    }
    return TRUE;
}

TEST_F(Panel, ThreeTooltipsAreAttachedToTheirControls) {
    TooltipSearch search = {board, {}};
    EnumThreadWindows(GetCurrentThreadId(), collect_tooltips, reinterpret_cast<LPARAM>(&search));
    ASSERT_EQ(search.found.size(), 3u);
    std::set<std::pair<HWND, std::string>> tools;
    for (HWND tip : search.found) {
        EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
        EXPECT_TRUE(GetWindowLongA(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)));
        char buffer[1024] = {};
        info.lpszText = buffer;
        SendMessageA(tip, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&info));
        tools.insert({info.hwnd, buffer});
    }
    const std::set<std::pair<HWND, std::string>> expected = {
        {item(IDC_BALL_COUNT_LIST), "Начальное количество шаров"},
        {item(IDC_PRIVACY_SWITCH), "Сохранить e-mail, год рожд. в реестре этого компьютера"},
        {item(IDC_INTERNET), "Поля отмеченные * не публикуются"},
    };
    EXPECT_EQ(tools, expected);
}

LPARAM point(int x, int y) { return MAKELPARAM(x, y); }

TEST_F(Panel, HandCursorShowsOnlyStrictlyInsideABanner) {
    ASSERT_NE(link_cursor, nullptr);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    struct Case {
        int x, y;
        bool hand;
    } cases[] = {{23, 390, false}, {24, 390, true}, {110, 390, true}, {111, 390, false},
                 {60, 382, false}, {60, 383, true}, {60, 411, true},  {60, 412, false},
                 {60, 430, true},  {60, 510, true}, {5, 5, false}};
    for (const Case& c : cases) {
        SetCursor(arrow);
        SendMessageA(panel, WM_MOUSEMOVE, 0, point(c.x, c.y));
        EXPECT_EQ(GetCursor() == link_cursor, c.hand) << c.x << ", " << c.y;
    }
}

TEST_F(Panel, ReleasingTheButtonOnABannerOpensItsPageAndElsewhereNothing) {
    const size_t before = browser_links().size();
    // Misses first: had they opened anything, it would show up with the hits.
    for (LPARAM miss : {point(23, 390), point(111, 390), point(60, 382), point(5, 5)}) {
        SendMessageA(panel, WM_LBUTTONUP, 0, miss);
    }
    for (int n = 0; n < 4; ++n) {
        SendMessageA(panel, WM_LBUTTONUP, 0, point(60, link_hot_spots[n].top + 10));
    }
    // The browser is started asynchronously.
    std::vector<std::string> lines;
    for (int tries = 0; tries < 200; ++tries) {
        lines = browser_links();
        if (lines.size() >= before + 4) {
            break;
        }
        Sleep(100);
    }
    Sleep(500);
    lines = browser_links();
    ASSERT_EQ(lines.size(), before + 4);
    const std::multiset<std::string> opened(lines.begin() + before, lines.end());
    const std::multiset<std::string> pages(std::begin(link_pages), std::end(link_pages));
    EXPECT_EQ(opened, pages);
}

struct SeenBox {
    bool found = false;
    std::string text;
    std::string caption;
    HWND owner = nullptr;
    bool has_icon = false;
};
SeenBox seen_box;

BOOL CALLBACK read_box_child(HWND child, LPARAM) {
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0) {
        return TRUE;
    }
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        seen_box.has_icon = true;
        return TRUE;
    }
    char text[1024] = {};
    GetWindowTextA(child, text, sizeof text);
    if (lstrlenA(text) > int(seen_box.text.size())) {
        seen_box.text = text;
    }
    return TRUE;
}

BOOL CALLBACK close_message_box(HWND window, LPARAM) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") != 0 || !IsWindowVisible(window)) {
        return TRUE;
    }
    seen_box.found = true;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    seen_box.caption = caption;
    seen_box.owner = GetWindow(window, GW_OWNER);
    EnumChildWindows(window, read_box_child, 0);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK look_for_message_box(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), close_message_box, 0);
}

TEST_F(Panel, InfoButtonShowsTheInformationBox) {
    seen_box = {};
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, look_for_message_box);
    SendMessageA(item(IDC_INFO), BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
    ASSERT_TRUE(seen_box.found);
    EXPECT_EQ(seen_box.owner, main_window);
    EXPECT_EQ(seen_box.caption, "");
    EXPECT_TRUE(seen_box.has_icon);
    // The box may lay the leading and trailing line feeds out differently; the words stay.
    const std::string sentences = "Эта программа предназначена для домашнего, некоммерческого "
                                  "использования. Автор не несет ответственности за любые "
                                  "последствия её применения.";
    EXPECT_NE(seen_box.text.find(sentences), std::string::npos) << seen_box.text;
    EXPECT_NE(seen_box.text.find("© 2026 Trivelle"), std::string::npos) << seen_box.text;
}

TEST_F(Panel, CancelDestroysThePanelAndLeavesTheBoard) {
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_TRUE(IsWindow(board));
    EXPECT_EQ(panel_controls.panel, nullptr);
    EXPECT_EQ(panel_control(IDC_NEW), nullptr);
}

// The first fields of a stored record: balls, colours, rounds and lines, moves.
std::string stored_settings(int balls, int colours) {
    return std::to_string(balls) + '\x01' + std::to_string(colours) + "\x01" + "5 12\x01" + "0";
}

TEST(PanelFromStoredRecord, TwoColoursStayOnlyWithAtMost32Balls) {
    struct Case {
        int stored_balls, stored_colours;
        int selected_index, initial_ball_count, colour_count, checked_radio;
        bool two_enabled;
    } cases[] = {
        {30, 2, 30 - 29, 30, 2, IDC_COLOURS_2, true},
        {40, 2, 40 - 29, 40, 3, IDC_COLOURS_3, false},
        {40, 5, 40 - 29, 40, 5, IDC_COLOURS_5, false},
        // A count outside the list leaves it without a selection and is kept as it is.
        {60, 4, -1, 60, 4, IDC_COLOURS_4, false},
    };
    for (const Case& c : cases) {
        const std::string record = stored_settings(c.stored_balls, c.stored_colours);
        SCOPED_TRACE(record);
        HWND board = build_test_panel(screen_1024, record.c_str());
        HWND panel = panel_controls.panel;
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(SendDlgItemMessageA(panel, IDC_BALL_COUNT_LIST, CB_GETCURSEL, 0, 0),
                  c.selected_index);
        EXPECT_EQ(game.settings.initial_ball_count, c.initial_ball_count);
        EXPECT_EQ(game.settings.colour_count, c.colour_count);
        for (int id = IDC_COLOURS_2; id <= IDC_COLOURS_7; ++id) {
            EXPECT_EQ(IsDlgButtonChecked(panel, id) == BST_CHECKED, id == c.checked_radio) << id;
        }
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(panel, IDC_COLOURS_2)) != 0, c.two_enabled);
        destroy_test_panel(board);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Trivelle");
}

TEST(PanelWithoutTemplate, SettingsStillGetTheirDefaults) {
    module_instance = GetModuleHandleA(nullptr);
    reset_game_state();
    panel_controls = {};
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  module_instance, nullptr);
    build_control_panel(999, parent);
    EXPECT_EQ(panel_controls.panel, nullptr);
    EXPECT_EQ(game.settings.initial_ball_count, 42);
    EXPECT_EQ(game.settings.colour_count, 7);
    create_panel_tooltips(parent);
    DestroyWindow(parent);
}

TEST(PanelInTheProgram, ClosingThePanelLeavesTheProgramRunning) {
    RunningProgram program = start_program("");
    ASSERT_NE(program.main_window, nullptr);
    ASSERT_NE(program.panel, nullptr);
    // The dialog manager answers WM_CLOSE by posting IDCANCEL to the panel.
    SendMessageA(program.panel, WM_CLOSE, 0, 0);
    for (int tries = 0; tries < 100 && IsWindow(program.panel); ++tries) {
        Sleep(50);
    }
    EXPECT_FALSE(IsWindow(program.panel));
    EXPECT_TRUE(IsWindow(program.main_window));
    EXPECT_TRUE(IsWindow(program.board_window));
    EXPECT_EQ(close_program(program), 0u);
}

} // namespace
