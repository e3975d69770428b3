// The browser test played in headless Chromium as a person plays it: the panel set by clicks
// and keys, every move clicked on the canvas and planned from the answers the page received,
// the result sent and found stored, verified, with the referee's count; no console error and
// no refused load on the way; screenshots of the page saved.
#include "tests/server/devtools_browser.h"
#include "tests/server/page_answers.h"
#include "tests/server/referee_player.h"
#include "tests/server/service_fixture.h"
#include "tests/server/stored_rows.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using PlayInBrowser = ServiceTest;

constexpr int most_planned_moves = 500;

// Windows key codes of the keys the test presses.
constexpr int key_backspace = 8;
constexpr int key_end = 35;
constexpr int key_home = 36;

struct Point {
    double x = 0;
    double y = 0;
};

// The numbers an expression gives as one string, separated by spaces.
std::vector<double> numbers(DevToolsBrowser& browser, const std::string& expression) {
    std::vector<double> found;
    if (const std::optional<std::string> text = browser.evaluate(expression)) {
        std::istringstream in(*text);
        for (double n = 0; in >> n;) {
            found.push_back(n);
        }
    }
    return found;
}

// The page as a person sees and uses it: its controls found by their ids, its cells by a second
// instance of the page's own module laid out for the same box, and the board kept from the
// answers the page received, read off the wire rather than from the page.
class PlayPage {
  public:
    explicit PlayPage(DevToolsBrowser& browser) : browser_(browser) {}

    bool click_element(const std::string& id) {
        const std::vector<double> centre =
            numbers(browser_, "(function(){var r=document.getElementById('" + id +
                                  "').getBoundingClientRect();return (r.left+r.width/2)+' '+"
                                  "(r.top+r.height/2);})()");
        return centre.size() == 2 && browser_.click(centre[0], centre[1]);
    }

    // A text field's value replaced by typing: clicked into, emptied from its end, typed.
    bool type_into(const std::string& id, const std::string& text) {
        if (!click_element(id) || !browser_.press_key("End", key_end)) {
            return false;
        }
        const std::vector<double> length =
            numbers(browser_, "String(document.getElementById('" + id + "').value.length)");
        for (int i = 0; !length.empty() && i < int(length[0]); ++i) {
            browser_.press_key("Backspace", key_backspace);
        }
        if (!browser_.insert_text(text) || value_of(id) != text) {
            ADD_FAILURE() << id << " holds " << value_of(id);
            return false;
        }
        return true;
    }

    std::string value_of(const std::string& id) {
        return browser_.evaluate("document.getElementById('" + id + "').value").value_or("?");
    }

    std::string state() { return browser_.evaluate("document.body.dataset.state").value_or(""); }

    // Waits until the page has an answer in (or has given up on one): its state then.
    std::string settled_state() {
        browser_.wait_until("document.body.dataset.state==='waiting'?'waiting':'settled'",
                            "settled");
        return state();
    }

    // Where the canvas's cells are; false if the module lays the box out otherwise than the
    // canvas shows.
    bool find_cells() {
        const std::vector<double> found = numbers(
            browser_,
            "(async function(){var none=function(){};var r=await WebAssembly."
            "instantiateStreaming(fetch('/play/trivelle.wasm'),{env:{control_text_changed:none,"
            "control_enabled_changed:none,control_checked_changed:none,list_selection_changed:"
            "none}});var m=r.instance.exports;m._initialize();var c=document.getElementById("
            "'board'),k=c.getBoundingClientRect(),b=document.getElementById('board-box')."
            "getBoundingClientRect();m.start(Math.round(b.width),Math.round(b.height));if(m."
            "width()!==c.width||m.height()!==c.height){return 'another layout';}var out=[k.left,"
            "k.top,k.width/c.width,k.height/c.height];for(var i=0;i<8;++i){out.push(m.cell_x(i),"
            "m.cell_y(i));}return out.join(' ');})()");
        if (found.size() != 4 + 16) {
            return false;
        }
        for (int i = 0; i < 8; ++i) {
            pixel_x_[i] = int(found[4 + 2 * i]);
            pixel_y_[i] = int(found[5 + 2 * i]);
            // The middle of the pixel, which the page maps back to that pixel.
            page_x_[i] = found[0] + (pixel_x_[i] + 0.5) * found[2];
            page_y_[i] = found[1] + (pixel_y_[i] + 0.5) * found[3];
        }
        return true;
    }

    bool click_cell(Cell cell) { return browser_.click(page_x_[cell.column], page_y_[cell.row]); }

    // Each cell as the canvas shows it at its centre, column by column: '.' for the empty
    // cell's grey, 'o' for anything else (a ball).
    std::string shown_cells() {
        std::string xs;
        std::string ys;
        for (int i = 0; i < 8; ++i) {
            xs += (i ? "," : "") + std::to_string(pixel_x_[i]);
            ys += (i ? "," : "") + std::to_string(pixel_y_[i]);
        }
        return browser_
            .evaluate("(function(){var c=document.getElementById('board'),d=c.getContext('2d')."
                      "getImageData(0,0,c.width,c.height).data,xs=[" +
                      xs + "],ys=[" + ys +
                      "],s='';for(var x of xs){for(var y of ys){var i=4*(y*c.width+x);s+=d[i]==="
                      "205&&d[i+1]===205&&d[i+2]===205?'.':'o';}}return s;})()")
            .value_or("");
    }
    std::string kept_cells() const {
        std::string s;
        for (const uint8_t cell : board_.cells) {
            s += cell ? 'o' : '.';
        }
        return s;
    }

    // The answer that came last, applied to the board; false for a refusal or none.
    bool take_answer() {
        const std::optional<std::vector<std::string>> bodies = browser_.answers(++answers_);
        if (!bodies) {
            ADD_FAILURE() << "no answer came";
            return false;
        }
        const boost::json::object answer = answer_object(bodies->back());
        if (!answer.contains("steps")) {
            ADD_FAILURE() << bodies->back();
            return false;
        }
        if (const boost::json::value* test = answer.if_contains("test")) {
            test_ = test->as_string().c_str();
        }
        apply_answer(board_, answer);
        EXPECT_EQ(answer.at("play").as_int64(), moves_) << "the answer to the move just played";
        return true;
    }

    // The panel's New pressed: the test begins when its answer has come.
    bool press_new() { return click_element("new") && settled_state() == "ready" && take_answer(); }

    // The planned move clicked, source then target; its answer taken. The page's state then.
    std::string play_move() {
        const Move move = planner_.planned_move(board_);
        if (!click_cell(move.from) || !click_cell(move.to)) {
            return "no click";
        }
        const std::string state = settled_state();
        ++moves_;
        if (!take_answer()) {
            return "refused";
        }
        EXPECT_EQ(shown_cells(), kept_cells()) << "the canvas shows the answers' board";
        return state;
    }

    int moves() const { return moves_; }
    const std::string& test() const { return test_; }

  private:
    DevToolsBrowser& browser_;
    std::array<int, 8> pixel_x_{};
    std::array<int, 8> pixel_y_{};
    std::array<double, 8> page_x_{};
    std::array<double, 8> page_y_{};
    PageBoard board_;
    Planner planner_;
    size_t answers_ = 0;
    int moves_ = 0;
    std::string test_;
};

std::string lines(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        joined += text + "\n";
    }
    return joined;
}

std::filesystem::path screenshot_path(const std::string& name) {
    const std::filesystem::path shots = TRIVELLE_TEST_RESULTS;
    std::filesystem::create_directories(shots);
    std::filesystem::remove(shots / name);
    return shots / name;
}

TEST_F(PlayInBrowser, AWholeTestIsPlayedByClicksAndItsResultStoredVerified) {
    const std::string site = "http://127.0.0.1:" + std::to_string(service->port());
    DevToolsBrowser browser(folder.path("profile"));
    ASSERT_TRUE(browser.open_tab(1280, 900, false));
    ASSERT_TRUE(browser.watch("/play/tests"));
    ASSERT_TRUE(browser.load(site + "/play"));
    PlayPage page(browser);
    ASSERT_TRUE(browser.wait_until("document.body.dataset.state", "ready"));
    ASSERT_TRUE(page.find_cells());

    // The small test: 29 balls (the list's first), 3 colours, 1 round of 2 lines.
    ASSERT_TRUE(page.click_element("balls"));
    ASSERT_TRUE(browser.press_key("Home", key_home));
    ASSERT_TRUE(page.click_element("colours-3"));
    ASSERT_TRUE(page.type_into("rounds", "1"));
    ASSERT_TRUE(page.type_into("lines", "2"));
    EXPECT_EQ(page.value_of("balls"), "29");
    ASSERT_TRUE(page.press_new());
    ASSERT_EQ(page.test().size(), 32u);

    std::string state = "ready";
    while (state == "ready" && page.moves() < most_planned_moves) {
        state = page.play_move();
    }
    ASSERT_EQ(state, "over") << "after " << page.moves() << " moves";
    const std::filesystem::path shot = screenshot_path("play-desktop.png");
    ASSERT_TRUE(browser.save_screenshot(shot.string(), 1280, 900));

    ASSERT_TRUE(page.type_into("nickname", utf8_text(u8"Браузер")));
    ASSERT_TRUE(page.type_into("country", "by"));
    ASSERT_TRUE(page.type_into("city", utf8_text(u8"Минск")));
    ASSERT_TRUE(page.click_element("internet"));
    ASSERT_EQ(page.settled_state(), "sent");
    EXPECT_NE(browser.evaluate("document.getElementById('result').textContent")
                  .value_or("")
                  .find(utf8_text(u8"ходов: ") + std::to_string(page.moves()) + "."),
              std::string::npos);

    const std::map<std::string, std::string> row = stored_row(db, "v" + page.test());
    ASSERT_FALSE(row.empty());
    const std::map<std::string, std::string> expected = {
        {"initial_ball_count", "29"},
        {"colour_count", "3"},
        {"round_count", "1"},
        {"lines_per_round", "2"},
        {"total_moves", std::to_string(page.moves())},
        {"nickname", utf8_text(u8"Браузер")},
        {"country", "by"},
        {"city", utf8_text(u8"Минск")},
        {"verified", "1"}};
    for (const auto& [column, value] : expected) {
        EXPECT_EQ(row.at(column), value) << column;
    }
    EXPECT_EQ(browser.page_errors(), std::vector<std::string>()) << lines(browser.page_errors());

    // The watch hears a refused load: an inline script the page's policy forbids.
    browser.evaluate("(function(){var s=document.createElement('script');s.textContent='1';"
                     "document.head.append(s);return '';})()");
    for (int i = 0; i < 250 && browser.page_errors().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        browser.evaluate("''");
    }
    ASSERT_EQ(browser.page_errors().size(), 1u);
    EXPECT_NE(browser.page_errors()[0].find("Content Security Policy"), std::string::npos)
        << browser.page_errors()[0];
}

TEST_F(PlayInBrowser, APhoneTapsAFewMovesWithoutAnError) {
    const std::string site = "http://127.0.0.1:" + std::to_string(service->port());
    DevToolsBrowser browser(folder.path("profile"));
    ASSERT_TRUE(browser.open_tab(360, 740, true));
    ASSERT_TRUE(browser.watch("/play/tests"));
    ASSERT_TRUE(browser.load(site + "/play"));
    PlayPage page(browser);
    ASSERT_TRUE(browser.wait_until("document.body.dataset.state", "ready"));
    ASSERT_TRUE(page.find_cells());
    ASSERT_TRUE(page.press_new());
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(page.play_move(), "ready");
    }
    const std::filesystem::path shot = screenshot_path("play-phone.png");
    ASSERT_TRUE(browser.save_screenshot(shot.string(), 360, 740));
    EXPECT_EQ(browser.page_errors(), std::vector<std::string>()) << lines(browser.page_errors());
}

} // namespace
