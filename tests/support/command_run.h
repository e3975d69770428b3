// Runs a shell command for the tests of tools and services: its standard output and how it
// exited.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandRun {
    int exit_code = -1; // -1 when it could not run or did not exit by itself
    std::string output;
};

inline CommandRun run_command(const std::string& command) {
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.output.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
