// Starts the real trivelle.exe of this build tree and finds its windows.
#pragma once

#include <windows.h>

#include <string>

struct RunningProgram {
    PROCESS_INFORMATION process{};
    HWND main_window = nullptr;
    HWND board_window = nullptr;
    HWND panel = nullptr;
};

// Starts trivelle.exe with the given argument text and start-up show command and waits
// until its main window exists. The main window is nullptr if it never appeared.
RunningProgram start_program(const std::string& arguments, WORD show_command = SW_SHOWNORMAL);
// Closes the main window and returns the exit code, or -1 if the program did not end.
DWORD close_program(RunningProgram& program);
// Ends the program at once if it still runs.
void kill_program(RunningProgram& program);
