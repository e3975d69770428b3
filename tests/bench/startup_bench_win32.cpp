// Times start-up, from creating the process to its window standing finished and the program
// waiting for input, against a minimal program that opens a maximized window: 20 alternating
// pairs, medians and their ratio.
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

int main() {
    const std::string folder = folder_of_this_program();
    const std::string reference = folder + "minimal_window.exe";
    const std::string program = folder + "..\\..\\trivelle.exe";
    std::vector<double> reference_ms, program_ms;
    for (int pair = 0; pair < 20; ++pair) {
        // Alternating which goes first keeps a warming cache from favouring either.
        const bool reference_first = pair % 2 == 0;
        const double first = time_start_up(reference_first ? reference : program);
        const double second = time_start_up(reference_first ? program : reference);
        if (first < 0 || second < 0) {
            std::printf("start-up: a program did not start\n");
            return 1;
        }
        reference_ms.push_back(reference_first ? first : second);
        program_ms.push_back(reference_first ? second : first);
    }
    const double ref = median(reference_ms), prog = median(program_ms);
    std::printf("start-up to the finished window, median of 20 alternating pairs:\n");
    std::printf("  minimal maximized window %8.1f ms\n", ref);
    std::printf("  trivelle                 %8.1f ms  %.2fx\n", prog, prog / ref);
    return 0;
}
