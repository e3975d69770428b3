// Times start-up, from creating the process to its window standing finished and the program
// waiting for input, against two references: a minimal program that opens a maximized window,
// and one that creates only what the program must (that window, the board window, the panel
// from its template and the three tooltips). 20 rounds of the three in turn; medians.
#include "tests/bench/bench_clock_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string folder_of_this_program() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

struct Found {
    DWORD process_id;
    HWND window;
};

BOOL CALLBACK find_top_window(HWND window, LPARAM lparam) {
    auto* found = reinterpret_cast<Found*>(lparam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->process_id && IsWindowVisible(window) && !GetWindow(window, GW_OWNER)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds from CreateProcess until the program first waits for input; -1 on failure.
double time_start_up(const std::string& exe) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + exe + "\"";
    const double start = now_us() / 1000;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    const bool idle = WaitForInputIdle(process.hProcess, 30000) == 0;
    const double elapsed = now_us() / 1000 - start;
    Found found = {process.dwProcessId, nullptr};
    EnumWindows(find_top_window, reinterpret_cast<LPARAM>(&found));
    if (found.window) {
        PostMessageA(found.window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return idle ? elapsed : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

// An argument names another build of the program to time, such as the release.
int main(int argc, char** argv) {
    const std::string folder = folder_of_this_program();
    const std::string programs[3] = {folder + "minimal_window.exe", folder + "panel_window.exe",
                                     argc > 1 ? argv[1] : folder + "..\\..\\trivelle.exe"};
    constexpr int rounds = 20;
    std::vector<double> ms[3];
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with the next one, so that a warming cache favours none.
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            const double elapsed = time_start_up(programs[which]);
            if (elapsed < 0) {
                std::printf("start-up: %s did not start\n", programs[which].c_str());
                return 1;
            }
            ms[which].push_back(elapsed);
        }
    }
    // Ratios within a round, of runs seconds apart, stay steady while other work on the
    // machine comes and goes; their medians are the figures.
    std::vector<double> panel_to_minimal, program_to_minimal, program_to_panel;
    for (int round = 0; round < rounds; ++round) {
        panel_to_minimal.push_back(ms[1][round] / ms[0][round]);
        program_to_minimal.push_back(ms[2][round] / ms[0][round]);
        program_to_panel.push_back(ms[2][round] / ms[1][round]);
    }
    std::printf("start-up to the finished window, %d rounds of the three in turn; medians of the"
                " times and of the ratios within a round:\n",
                rounds);
    std::printf("  minimal maximized window      %8.1f ms\n", median(ms[0]));
    std::printf("  what the program must create  %8.1f ms  %.2fx the minimal window\n",
                median(ms[1]), median(panel_to_minimal));
    std::printf("  trivelle                      %8.1f ms  %.2fx the minimal window,"
                " %.2fx what it must create\n",
                median(ms[2]), median(program_to_minimal), median(program_to_panel));
    return 0;
}
