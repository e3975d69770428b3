// A real browser reads /records: headless Chromium renders the page, the test reads its rows
// from the browser's document, and screenshots for a desktop and a phone are saved.
#include "tests/server/result_links.h"
#include "tests/server/service_fixture.h"
#include "tests/support/command_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace {

using Browser = ServiceTest;

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

} // namespace
