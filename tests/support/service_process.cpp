// The results service run as the real program for tests: started on any free port with a
// database of the test's own (a SQLite file, or a PostgreSQL database's URI, which several
// services may share), asked over loopback, stopped or killed.
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

const char* program_under_test(const char* variable, const char* built) {
    const char* named = std::getenv(variable);
    return named != nullptr && *named != '\0' ? named : built;
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "trivelle-results-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        folder_ = pattern;
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    if (!folder_.empty()) {
        std::filesystem::remove_all(folder_, ignored);
    }
}

namespace {

// The first line the service prints, read for start_patience at most.
std::string first_line(int from) {
    const auto deadline = std::chrono::steady_clock::now() + start_patience;
    std::string line;
    char buffer[256];
    pollfd readable{from, POLLIN, 0};
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(&readable, 1, int(left.count())) <= 0) {
            break;
        }
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        line.append(buffer, size_t(got));
    }
    return line.substr(0, line.find('\n'));
}

// The first line of a file another process writes, read for start_patience at most.
std::string first_line_of_file(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + start_patience;
    for (;;) {
        std::ifstream file(path);
        std::string line;
        if (std::getline(file, line) && !file.eof()) {
            return line;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return "";
        }
        usleep(10000);
    }
}

} // namespace

ServiceProcess::ServiceProcess(const std::string& binary, const std::string& db,
                               const std::vector<std::string>& options, StartWait wait,
                               const std::string& output_file, const std::string& error_file,
                               bool keep_output) {
    int out[2];
    if (pipe(out) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output_file.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    } else if (wait == StartWait::for_port) {
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (!error_file.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    const std::string port_option = "--port=0";
    const std::string db_option = "--db=" + db;
    std::vector<const char*> argv = {binary.c_str(), port_option.c_str(), db_option.c_str()};
    for (const std::string& option : options) {
        argv.push_back(option.c_str());
    }
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, binary.c_str(), &actions, nullptr,
                                    const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        pid_ = -1;
    } else if (wait == StartWait::for_port) {
        // "...listening on http://127.0.0.1:PORT/ ..." or "http://[::]:PORT/"
        listening_line_ =
            output_file.empty() ? first_line(out[0]) : first_line_of_file(output_file);
        const std::string marker = "listening on http://";
        const size_t at = listening_line_.find(marker);
        if (at != std::string::npos) {
            const size_t colon =
                listening_line_.rfind(':', listening_line_.find('/', at + marker.size()));
            port_ = std::atoi(listening_line_.c_str() + colon + 1);
        }
    }
    if (keep_output && output_file.empty() && wait == StartWait::for_port) {
        output_ = out[0];
    } else {
        close(out[0]);
    }
}

ServiceProcess::~ServiceProcess() {
    if (pid_ > 0) {
        stop();
    }
    if (output_ >= 0) {
        close(output_);
    }
}

httplib::Client ServiceProcess::client(std::chrono::seconds patience) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_connection_timeout(std::min(patience, std::chrono::seconds(10)));
    client.set_read_timeout(patience);
    client.set_write_timeout(patience);
    return client;
}

int ServiceProcess::stop() {
    if (pid_ <= 0) {
        return -1;
    }
    ::kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + stop_patience;
    pid_t ended = 0;
    while ((ended = waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        usleep(10000);
    }
    if (ended == 0) {
        kill();
        ADD_FAILURE() << "the service did not stop within " << stop_patience.count()
                      << " s of SIGTERM, so it was killed";
        return 128 + SIGKILL;
    }
    pid_ = -1;
    if (ended < 0) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void ServiceProcess::kill() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

Answer get(const ServiceProcess& service, const std::string& path, std::chrono::seconds patience) {
    Answer answer;
    httplib::Client client = service.client(patience);
    if (const httplib::Result result = client.Get(path)) {
        answer.status = result->status;
        answer.body = result->body;
        answer.headers = result->headers;
    }
    return answer;
}
