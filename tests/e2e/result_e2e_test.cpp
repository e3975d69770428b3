// The result of a finished test, sent from the real program: player details typed in,
// Internet pressed, the link that reaches the browser decoded and sent to the results
// service, and a second test started.
#include "resources/control_ids.h"
#include "resources/web_addresses.h"
#include "tests/e2e/board_reader.h"
#include "tests/support/command_run.h"
#include "tests/support/record_text.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

// Narrow literals are code page 1251 here; the keyboard and the decoder speak UTF-8.

bool enabled(int id) {
    const auto state = control_state(id);
    return state && state->enabled;
}

// Plays with real clicks until the test of one round of one line is over; the moves made.
int play_one_line(const BoardArea& area) {
    for (int moves = 1; moves <= 150; ++moves) {
        const Move move = best_move(read_board(take_screenshot(), area));
        if (move.from < 0) {
            return -1;
        }
        if (!click_cell(move.from) || !click_cell(move.to)) {
            ADD_FAILURE() << "move " << moves << " from " << move.from << " to " << move.to
                          << " changed nothing";
            save_screenshot(std::string(TRIVELLE_TEST_RESULTS) + "/e2e-stuck.png");
            return -1;
        }
        if (move.run >= 5) {
            return moves;
        }
    }
    return -1;
}

// Starts the program and plays a test of one round of one line with three colours to its
// end; the moves made, or -1.
int finish_a_short_test() {
    const auto area = start_program({}) ? board_area() : std::nullopt;
    if (!area) {
        return -1;
    }
    if (!set_edit_text(IDC_ROUNDS, "1") || !set_edit_text(IDC_LINES_PER_ROUND, "1") ||
        !click_control(IDC_COLOURS_3) || !click_control(IDC_NEW)) {
        return -1;
    }
    return play_one_line(*area);
}

std::string decode(const std::string& link) {
    const CommandRun run = run_command(std::string(TRIVELLE_DECODER) + " '" + link + "'");
    return run.exit_code == 0 ? run.output : "decoder refused: " + run.output;
}

TEST_F(ProgramTest, SendsTheResultLinkAndStartsASecondTest) {
    const int moves = finish_a_short_test();
    ASSERT_GT(moves, 0);
    ASSERT_TRUE(enabled(IDC_INTERNET));

    ASSERT_TRUE(set_edit_text(IDC_NICKNAME, "Tester"));
    // The Latin X keyboard has no Cyrillic letters: they arrive as the characters a
    // Russian keyboard would send.
    ASSERT_TRUE(set_edit_text(IDC_CITY, ""));
    send_chars(IDC_CITY, "Москва");
    ASSERT_TRUE(set_edit_text(IDC_BIRTH_YEAR, "1990"));
    ASSERT_TRUE(set_edit_text(IDC_EMAIL, "t@trivelle.net"));
    EXPECT_EQ(control_state(IDC_NICKNAME)->text, "Tester");
    ASSERT_EQ(control_state(IDC_CITY)->text, "\xcc\xee\xf1\xea\xe2\xe0") << "code page 1251";
    ASSERT_TRUE(click_control(IDC_INTERNET));

    std::vector<std::string> links;
    for (int tries = 0; tries < 100 && links.empty(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        links = captured_links();
    }
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].rfind(result_link_prefix, 0), 0u);
    const std::string decoded = decode(links[0]);
    const std::string expected_fields[] = {
        "42", "3",    "1 1",           std::to_string(moves), "Tester", "ru", utf8_text(u8"Москва"),
        "",   "1990", "t@trivelle.net"};
    for (int i = 0; i < 10; ++i) {
        const std::string field = "field " + std::to_string(i + 1) + ",";
        const size_t at = decoded.find(field);
        ASSERT_NE(at, std::string::npos) << decoded;
        const size_t value = decoded.find(": ", at) + 2;
        EXPECT_EQ(decoded.substr(value, decoded.find('\n', value) - value), expected_fields[i])
            << field;
    }
    EXPECT_NE(decoded.find("holds"), std::string::npos) << decoded;

    // The privacy switch is off: the stored record ends after field 7 and three separators.
    const auto stored = read_stored_record();
    ASSERT_TRUE(stored);
    const std::string record = "42\x01"
                               "3\x01"
                               "1 1\x01" +
                               std::to_string(moves) +
                               "\x01Tester\x01ru\x01\xcc\xee\xf1\xea\xe2\xe0\x01\x01\x01";
    EXPECT_EQ(*stored, record + '\0');

    for (int id : {IDC_NEW, IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND, IDC_COLOURS_3,
                   IDC_COLOURS_7, IDC_INTERNET}) {
        EXPECT_TRUE(enabled(id)) << id;
    }
    EXPECT_FALSE(enabled(IDC_COLOURS_2)) << "42 balls allow no two-colour test";
    ASSERT_TRUE(click_control(IDC_NEW));
    EXPECT_FALSE(enabled(IDC_NEW)) << "a second test runs";
    EXPECT_FALSE(enabled(IDC_INTERNET));
    EXPECT_TRUE(stop_program()) << "Wine logged an exception";
}

// The links the program opened so far, waiting up to ten seconds for the first.
std::vector<std::string> wait_for_links() {
    std::vector<std::string> links;
    for (int tries = 0; tries < 100 && links.empty(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        links = captured_links();
    }
    return links;
}

TEST_F(ProgramTest, TheResultItSendsAppearsInTheRecordsOfTheResultsService) {
    TemporaryFolder folder;
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"));
    ASSERT_TRUE(service.started());
    const int moves = finish_a_short_test();
    ASSERT_GT(moves, 0);
    ASSERT_TRUE(set_edit_text(IDC_NICKNAME, "Sender"));
    ASSERT_TRUE(set_edit_text(IDC_CITY, ""));
    send_chars(IDC_CITY, "Казань");
    ASSERT_TRUE(set_edit_text(IDC_BIRTH_YEAR, "1877"));
    ASSERT_TRUE(set_edit_text(IDC_EMAIL, "private@trivelle.net"));
    ASSERT_TRUE(click_control(IDC_INTERNET));
    const std::vector<std::string> links = wait_for_links();
    ASSERT_EQ(links.size(), 1u);
    EXPECT_TRUE(stop_program()) << "Wine logged an exception";

    // The browser would ask the site's host; the service here listens on loopback.
    const std::string& link = links[0];
    const std::string path = link.substr(link.find('/', std::string("http://").size()));
    const Answer answer = get(service, path);
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_NE(answer.body.find(utf8_text(u8"1 из 1")), std::string::npos) << answer.body;

    // One line in `moves` moves, as the records table shows it.
    char accuracy[32];
    std::snprintf(accuracy, sizeof accuracy, "%.3f", 1000.0 / moves);
    const std::string row = "<td class=\"num\">1</td><td>Sender</td><td>ru</td><td>" +
                            utf8_text(u8"Казань") + "</td><td class=\"num\">" + accuracy +
                            "</td><td class=\"num\">" + std::to_string(moves) + "</td>";
    const Answer records = get(service, "/records");
    ASSERT_EQ(records.status, 200);
    EXPECT_NE(records.body.find(utf8_text(u8"шаров 42 · цветов 3 · раундов 1 · линий в раунде 1")),
              std::string::npos);
    EXPECT_NE(records.body.find(row), std::string::npos) << records.body;
    for (const std::string& body : {answer.body, records.body}) {
        EXPECT_EQ(body.find("private@trivelle.net"), std::string::npos);
        EXPECT_EQ(body.find("1877"), std::string::npos);
    }
    EXPECT_EQ(service.stop(), 0);
}

TEST_F(ProgramTest, SettingsAndDetailsStoredWithThePrivacySwitchOnSurviveARestart) {
    ASSERT_GT(finish_a_short_test(), 0);

    ASSERT_TRUE(set_edit_text(IDC_NICKNAME, "Restarter"));
    ASSERT_TRUE(set_edit_text(IDC_COUNTRY, "by"));
    ASSERT_TRUE(set_edit_text(IDC_CITY, ""));
    send_chars(IDC_CITY, "Минск");
    ASSERT_TRUE(set_edit_text(IDC_BIRTH_YEAR, "1985"));
    ASSERT_TRUE(set_edit_text(IDC_EMAIL, "r@trivelle.net"));
    ASSERT_TRUE(click_control(IDC_PRIVACY_SWITCH));
    EXPECT_TRUE(control_state(IDC_PRIVACY_SWITCH)->checked);
    ASSERT_TRUE(click_control(IDC_INTERNET));
    ASSERT_TRUE(stop_program()) << "Wine logged an exception";

    ProgramStart restart;
    restart.keep_stored_record = true;
    ASSERT_TRUE(start_program(restart));
    const std::pair<int, const char*> texts[] = {
        {IDC_NICKNAME, "Restarter"}, {IDC_COUNTRY, "by"},           {IDC_CITY, "Минск"},
        {IDC_BIRTH_YEAR, "1985"},    {IDC_EMAIL, "r@trivelle.net"}, {IDC_ROUNDS, "1"},
        {IDC_LINES_PER_ROUND, "1"},  {IDC_HIDDEN_FIELD, ""}};
    for (const auto& [id, text] : texts) {
        EXPECT_EQ(control_state(id)->text, text) << "control " << id;
    }
    EXPECT_TRUE(control_state(IDC_COLOURS_3)->checked);
    EXPECT_FALSE(control_state(IDC_COLOURS_7)->checked);
    EXPECT_EQ(list_selection(), 42 - 29);
    EXPECT_FALSE(control_state(IDC_PRIVACY_SWITCH)->checked) << "the switch starts off every run";
    EXPECT_TRUE(stop_program()) << "Wine logged an exception";
}

} // namespace
