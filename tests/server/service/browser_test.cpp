// A real browser reads the pages: headless Chromium renders /records, the test reads its rows
// from the browser's document; the result page with its picture, a class's page and the
// program's download page are laid out at a desktop's and a phone's width and measured;
// screenshots of each are saved.
#include "server/store/sqlite/sqlite_store.h"
#include "tests/server/devtools_browser.h"
#include "tests/server/result_links.h"
#include "tests/server/service_fixture.h"
#include "tests/support/command_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The service offers a program, so that the download page shows its longest line, the checksum.
struct Browser : ServiceTest {
    Browser() {
        const std::string program = folder.path("trivelle-1.2.3-win32.zip");
        std::ofstream(program) << "PK";
        options = {"--download", program};
    }
};

// Runs Chromium headless with the given options on a URL; its standard output.
std::string chromium(const std::string& profile, const std::string& options,
                     const std::string& url) {
    // As root Chromium runs only without its sandbox; its own log goes to a file.
    const std::string command = "timeout 120 chromium --headless --no-sandbox --disable-gpu "
                                "--hide-scrollbars --user-data-dir='" +
                                profile + "' " + options + " '" + url + "' 2>'" + profile + ".log'";
    return run_command(command).output;
}

// Today in UTC as the pages write dates: the day the results just sent arrived.
std::string date_today() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", utc.tm_mday, utc.tm_mon + 1,
                  utc.tm_year + 1900);
    return text;
}

// The contents of each element that starts with `open` (its start tag ends at the next '>')
// and ends with `close`, in order.
std::vector<std::string> elements(const std::string& text, const std::string& open,
                                  const std::string& close) {
    std::vector<std::string> found;
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        const size_t start = text.find('>', at) + 1;
        const size_t end = text.find(close, start);
        if (start == 0 || end == std::string::npos) {
            break;
        }
        found.push_back(text.substr(start, end - start));
        at = end + close.size();
    }
    return found;
}

// The text of each cell of each row of the tables' bodies in a document, entities kept.
std::vector<std::vector<std::string>> body_rows(const std::string& document) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& body : elements(document, "<tbody", "</tbody>")) {
        for (const std::string& row : elements(body, "<tr", "</tr>")) {
            rows.push_back(elements(row, "<td", "</td>"));
        }
    }
    return rows;
}

TEST_F(Browser, RendersTheRowsOfRecordsAndTheirScreenshotsAreSaved) {
    struct Sent {
        std::string nickname;
        const char* balls;
        int moves;
    };
    const Sent sent[] = {
        {"Tester", "42", 345}, {"<script>", "42", 240}, {"Вася", "42", 600}, {"solo", "35", 61}};
    for (const Sent& s : sent) {
        std::vector<std::string> fields = typical_fields();
        fields[0] = s.balls;
        fields[3] = std::to_string(s.moves);
        fields[4] = s.nickname;
        ASSERT_EQ(get(result_path(query_of_fields(fields))).status, 200);
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(service->port()) + "/records";
    const std::string document = chromium(folder.path("profile"), "--dump-dom", url);
    ASSERT_NE(document.find("<html"), std::string::npos) << "Chromium gave no document";
    EXPECT_EQ(document.find("<script"), std::string::npos) << "the nickname stayed text";

    const std::string date = date_today();
    const std::vector<std::vector<std::string>> expected = {
        {"1", "&lt;script&gt;", "ru", utf8_text(u8"Москва"), "250.000", "240", date},
        {"2", "Tester", "ru", utf8_text(u8"Москва"), "173.913", "345", date},
        {"3", utf8_text(u8"Вася"), "ru", utf8_text(u8"Москва"), "100.000", "600", date},
        {"1", "solo", "ru", utf8_text(u8"Москва"), "983.607", "61", date},
    };
    EXPECT_EQ(body_rows(document), expected);

    // Saved where the test results are, for a person to look at.
    const std::filesystem::path shots = TRIVELLE_TEST_RESULTS;
    std::filesystem::create_directories(shots);
    for (const auto& [name, size] : {std::pair{"records-desktop.png", "1280,900"},
                                     std::pair{"records-phone.png", "412,915"}}) {
        const std::filesystem::path shot = shots / name;
        std::filesystem::remove(shot);
        chromium(folder.path(std::string("profile-") + name),
                 "--window-size=" + std::string(size) + " --screenshot='" + shot.string() + "'",
                 url);
        ASSERT_TRUE(std::filesystem::exists(shot)) << shot;
        EXPECT_GT(std::filesystem::file_size(shot), 10000u) << shot;
    }
}

// What the browser measured of a laid-out page, in CSS pixels.
struct Layout {
    double scroll_width = 0; // the document's; wider than the window means a sideways scroll
    double window_width = 0;
    double height = 0;
    double picture_width = 0; // the first SVG's box; 0 when there is none
    double picture_height = 0;
    double picture_right = 0;
    double label_height = 0; // the box of the picture's first text
};

std::optional<Layout> measured(DevToolsBrowser& browser) {
    const std::optional<std::string> text = browser.evaluate(
        "(function(){var d=document.documentElement,s=document.querySelector('svg');"
        "var r=s?s.getBoundingClientRect():{width:0,height:0,right:0};"
        "var t=s&&s.querySelector('text')?s.querySelector('text').getBoundingClientRect()"
        ".height:0;return [d.scrollWidth,innerWidth,d.scrollHeight,r.width,r.height,r.right,t]"
        ".join(' ');})()");
    if (!text) {
        return std::nullopt;
    }
    Layout layout;
    std::istringstream numbers(*text);
    numbers >> layout.scroll_width >> layout.window_width >> layout.height >>
        layout.picture_width >> layout.picture_height >> layout.picture_right >>
        layout.label_height;
    return numbers ? std::optional<Layout>(layout) : std::nullopt;
}

TEST_F(Browser, TheResultClassAndDownloadPagesFitADesktopAndAPhone) {
    {
        // A class of 80 results spread as players' are, stored beside the service.
        SqliteStore store(db);
        for (int i = 0; i < 80; ++i) {
            ResultRow row;
            row.link_key = "row" + std::to_string(i);
            row.settings = {42, 7, 5, 12};
            row.total_moves = 150 + (i * 37) % 97 + (i * 53) % 89 + (i * 71) % 83;
            row.utf8_texts.nickname =
                i % 7 == 0 ? utf8_text(u8"Александр-Первый") : "player" + std::to_string(i);
            row.utf8_texts.country = "ru";
            row.utf8_texts.city = utf8_text(u8"Санкт-Петербург");
            store.store(row, 1765324800 + i * 86400);
        }
    }
    const std::string query = typical_query("Tester", 300);
    ASSERT_EQ(get(result_path(query)).status, 200);
    const std::string site = "http://127.0.0.1:" + std::to_string(service->port());
    struct Page {
        const char* name;
        std::string path;
        bool picture;
    };
    const Page pages[] = {{"result", result_path(query), true},
                          {"class", "/records/42-7-5x12", false},
                          {"download", "/download", false}};
    struct Screen {
        const char* name;
        int width;
        int height;
        bool phone;
    };
    const Screen screens[] = {{"desktop", 1280, 900, false}, {"phone", 360, 740, true}};

    const std::filesystem::path shots = TRIVELLE_TEST_RESULTS;
    std::filesystem::create_directories(shots);
    DevToolsBrowser browser(folder.path("devtools-profile"));
    for (const Page& page : pages) {
        for (const Screen& screen : screens) {
            const std::string what = std::string(page.name) + " on a " + screen.name;
            ASSERT_TRUE(browser.open_tab(screen.width, screen.height, screen.phone)) << what;
            ASSERT_TRUE(browser.load(site + page.path)) << what;
            const std::optional<Layout> layout = measured(browser);
            ASSERT_TRUE(layout) << what;
            EXPECT_EQ(layout->window_width, screen.width) << what;
            EXPECT_LE(layout->scroll_width, layout->window_width) << what << ": no sideways scroll";
            if (page.picture) {
                EXPECT_GT(layout->picture_width, 250) << what;
                EXPECT_GT(layout->picture_height, 100) << what;
                EXPECT_LE(layout->picture_right, layout->window_width) << what;
                // The labels as large as the page's small print, not shrunk to fit.
                EXPECT_GE(layout->label_height, 11) << what;
            }
            const std::filesystem::path shot =
                shots / (std::string(page.name) + "-" + screen.name + ".png");
            std::filesystem::remove(shot);
            ASSERT_TRUE(browser.save_screenshot(shot.string(), int(layout->window_width),
                                                int(std::min(layout->height, 6000.0))))
                << what;
            EXPECT_GT(std::filesystem::file_size(shot), 10000u) << shot;
        }
    }
}

} // namespace
