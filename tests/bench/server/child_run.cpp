// A program run as a child process for the service's benchmarks: its standard output read when
// it ends, its standard error passed through.
#include "tests/bench/server/child_run.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

ChildRun::ChildRun(const std::string& program, const std::vector<std::string>& arguments,
                   std::chrono::seconds most)
    : deadline_(std::chrono::steady_clock::now() + most) {
    int out[2];
    if (pipe(out) != 0) {
        return;
    }
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawnp(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (pid_ > 0) {
        output_ = out[0];
    } else {
        close(out[0]);
    }
}

ChildRun::~ChildRun() {
    if (pid_ > 0) {
        interrupt();
        output();
    }
}

void ChildRun::interrupt() const {
    if (pid_ > 0) {
        kill(pid_, SIGINT);
    }
}

std::string ChildRun::output() {
    std::string text;
    if (output_ < 0) {
        return text;
    }
    char buffer[4096];
    bool killed = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline_ - std::chrono::steady_clock::now());
        pollfd readable{output_, POLLIN, 0};
        const int ready =
            killed ? 1 : poll(&readable, 1, int(std::clamp<int64_t>(left.count(), 0, INT_MAX)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            // Past its bound: killed, its pipe then ends at once.
            kill(pid_, SIGKILL);
            killed = true;
            continue;
        }
        const ssize_t got = read(output_, buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got > 0) {
            text.append(buffer, size_t(got));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(output_);
    output_ = -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return text;
}

std::string output_of(const std::string& program, const std::vector<std::string>& arguments,
                      std::chrono::seconds most) {
    ChildRun run(program, arguments, most);
    if (!run.started()) {
        throw BenchFailure{"cannot start " + program};
    }
    std::string output = run.output();
    if (!run.succeeded()) {
        throw BenchFailure{program + " failed"};
    }
    return output;
}
