#include "engine/game_state.h"
#include "panel/panel_record_win32.h"
#include "panel/panel_win32.h"
#include "record/result_link.h"
#include "record/settings_record.h"
#include "resources/control_ids.h"
#include "shell/message_tables_win32.h"
#include "tests/support/browser_log_win32.h"
#include "tests/support/record_text.h"
#include "tests/win32/stand_in_panel_win32.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    DWORD exit_code = DWORD(-1);
    std::string output;
};

// Runs decode_result_link.exe of this build tree with the given argument text.
ToolRun run_decoder(const std::string& arguments) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string tool = path;
    for (int up = 0; up < 3; ++up) {
        tool = tool.substr(0, tool.find_last_of("\\/"));
    }
    tool += "\\record\\decode_result_link.exe";

    ToolRun run;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inheritable, 1 << 16)) {
        return run;
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + tool + "\" " + arguments;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &run.exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(write_end);
    // Only what is there: a service started meanwhile might hold the pipe open.
    DWORD available = 0;
    while (PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        std::vector<char> chunk(available);
        DWORD got = 0;
        if (!ReadFile(read_end, chunk.data(), available, &got, nullptr) || got == 0) {
            break;
        }
        run.output.append(chunk.data(), got);
    }
    CloseHandle(read_end);
    return run;
}

class SubmitResult : public testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        panel = start_record_test();
        game.settings.initial_ball_count = GetParam();
        game.settings.colour_count = 4;
        game.settings.round_count = 2;
        game.settings.lines_per_round = 3;
        game.total_moves = 57;
        SetDlgItemTextA(panel, IDC_NICKNAME, "Игрок");
        SetDlgItemTextA(panel, IDC_COUNTRY, "ru");
        SetDlgItemTextA(panel, IDC_CITY, "Тверь");
        SetDlgItemTextA(panel, IDC_HIDDEN_FIELD, "");
        SetDlgItemTextA(panel, IDC_BIRTH_YEAR, "1977");
        SetDlgItemTextA(panel, IDC_EMAIL, "player@example.org");
    }
    void TearDown() override { end_record_test(panel); }
    HWND panel = nullptr;
};

TEST_P(SubmitResult, StoresOpensTheFullLinkAndEnablesANewTest) {
    const int balls = GetParam();
    const size_t links_before = browser_links().size();
    const LRESULT result =
        submit_result(panel, IDC_INTERNET, BN_CLICKED, panel_controls.internet_button);
    EXPECT_NE(result, 0) << "radio 7 was disabled before";

    const std::string record = std::to_string(balls) + sep + "4" + sep + "2 3" + sep + "57" + sep +
                               "Игрок" + sep + "ru" + sep + "Тверь" + sep + sep + "1977" + sep +
                               "player@example.org";
    EXPECT_EQ(record_buffer, record);
    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(data, without_private_fields(record) + '\0') << "the switch is off";

    const std::string link = next_browser_link(links_before);
    EXPECT_EQ(link, result_link(record)) << "the link carries the private fields all the same";

    for (int id : {IDC_NEW, IDC_BALL_COUNT_LIST, IDC_ROUNDS, IDC_LINES_PER_ROUND, IDC_COLOURS_3,
                   IDC_COLOURS_4, IDC_COLOURS_5, IDC_COLOURS_6, IDC_COLOURS_7, IDC_INTERNET,
                   IDC_EMAIL, IDC_BIRTH_YEAR, IDC_HIDDEN_FIELD}) {
        EXPECT_TRUE(IsWindowEnabled(panel_control(id))) << id;
    }
    EXPECT_EQ(bool(IsWindowEnabled(panel_control(IDC_COLOURS_2))), balls < 33);

    // Again without a new test, through the panel's command table: the same record, the same
    // link, and nothing left to enable.
    EXPECT_EQ(on_panel_command(panel, WM_COMMAND, MAKEWPARAM(IDC_INTERNET, BN_CLICKED),
                               LPARAM(panel_controls.internet_button)),
              0);
    EXPECT_EQ(next_browser_link(links_before + 1), link);
    ASSERT_TRUE(raw_record(data, type));
    EXPECT_EQ(data, without_private_fields(record) + '\0');

    // The decoder reads the opened link back, here under Windows.
    const ToolRun decoded = run_decoder("--raw " + link);
    EXPECT_EQ(decoded.exit_code, 0u) << decoded.output;
    EXPECT_NE(decoded.output.find("field 1, initial ball count: " + std::to_string(balls)),
              std::string::npos)
        << decoded.output;
    EXPECT_NE(decoded.output.find("field 7, city: Тверь"), std::string::npos) << decoded.output;
    EXPECT_NE(decoded.output.find("field 10, e-mail: player@example.org"), std::string::npos)
        << decoded.output;
    EXPECT_NE(decoded.output.find(", holds"), std::string::npos) << decoded.output;

    // The ball count's first digit becomes 5: the checksum no longer holds.
    std::string tampered = link;
    tampered.replace(link.find('?') + 1, 2, result_link_query("5").substr(0, 2));
    EXPECT_EQ(run_decoder(tampered).exit_code, 1u);
    EXPECT_EQ(run_decoder(link.substr(0, link.size() - 1)).exit_code, 2u);
}

INSTANTIATE_TEST_SUITE_P(BallCounts, SubmitResult, testing::Values(32, 33));

} // namespace
