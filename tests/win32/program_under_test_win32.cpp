// Starts the real trivelle.exe of this build tree and finds its windows.
#include "tests/win32/program_under_test_win32.h"

namespace {

// trivelle.exe stands at the top of the build tree, two folders above the test programs.
std::string program_path() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    for (int up = 0; up < 3; ++up) {
        p = p.substr(0, p.find_last_of("\\/"));
    }
    return p + "\\trivelle.exe";
}

struct FindContext {
    DWORD process_id;
    HWND found;
};

BOOL CALLBACK find_main_window(HWND window, LPARAM lparam) {
    auto* context = reinterpret_cast<FindContext*>(lparam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64];
    if (pid == context->process_id && GetClassNameA(window, name, sizeof name) &&
        lstrcmpA(name, "Trivelle") == 0) {
        context->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

RunningProgram start_program(const std::string& arguments, WORD show_command) {
    RunningProgram program;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show_command;
    std::string command = "\"" + program_path() + "\" " + arguments;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &program.process)) {
        return program;
    }
    WaitForInputIdle(program.process.hProcess, 20000);
    for (int tries = 0; tries < 400 && !program.main_window; ++tries) {
        FindContext context = {program.process.dwProcessId, nullptr};
        EnumWindows(find_main_window, reinterpret_cast<LPARAM>(&context));
        if (context.found && IsWindowVisible(context.found)) {
            program.main_window = context.found;
        } else {
            Sleep(50);
        }
    }
    if (program.main_window) {
        program.board_window =
            FindWindowExA(program.main_window, nullptr, "ClientWndClass", nullptr);
        if (program.board_window) {
            program.panel =
                FindWindowExA(program.board_window, nullptr, MAKEINTATOM(32770), nullptr);
        }
    }
    return program;
}

DWORD close_program(RunningProgram& program) {
    PostMessageA(program.main_window, WM_CLOSE, 0, 0);
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(program.process.hProcess, &code);
    }
    kill_program(program);
    return code;
}

void kill_program(RunningProgram& program) {
    if (!program.process.hProcess) {
        return;
    }
    if (WaitForSingleObject(program.process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(program.process.hProcess, 99);
        WaitForSingleObject(program.process.hProcess, 5000);
    }
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
    program.process = {};
}
