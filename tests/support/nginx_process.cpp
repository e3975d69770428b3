// nginx run for tests: on a free port of loopback in front of a service, with its
// configuration, pid, logs and temporary files in a folder of the test's own, stopped and
// waited for at the end.
#include "tests/support/nginx_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

std::string nginx_program() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(std::string(path != nullptr ? path : "") + ":/usr/sbin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string program = folder + "/nginx";
        if (!folder.empty() && access(program.c_str(), X_OK) == 0) {
            return program;
        }
    }
    return "";
}

namespace {

int loopback_socket(int port, bool connect_to_it) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    const auto* as_sockaddr = reinterpret_cast<const sockaddr*>(&address);
    const int done = connect_to_it ? connect(socket, as_sockaddr, sizeof address)
                                   : bind(socket, as_sockaddr, sizeof address);
    if (done != 0) {
        close(socket);
        return -1;
    }
    return socket;
}

} // namespace

int free_loopback_port() {
    const int socket = loopback_socket(0, false);
    if (socket < 0) {
        return -1;
    }
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    close(socket);
    return ntohs(address.sin_port);
}

NginxProcess::NginxProcess(const TemporaryFolder& folder, const std::string& http_block, int port,
                           int worker_connections, int worker_processes) {
    const std::string program = nginx_program();
    if (program.empty()) {
        error_log_text_ = "no nginx (scripts/bootstrap server installs it)";
        return;
    }
    const std::string prefix = folder.path("nginx");
    std::filesystem::create_directories(prefix);
    std::ofstream config(prefix + "/nginx.conf");
    config << "daemon off;\n"
           << "worker_processes "
           << (worker_processes > 0 ? std::to_string(worker_processes) : "auto")
           << ";\n"
           // As root, nginx's workers would otherwise run as nobody, who cannot reach the
           // test's folder.
           << (geteuid() == 0 ? "user root;\n" : "") << "pid " << prefix << "/nginx.pid;\n"
           << "error_log " << prefix << "/error.log notice;\n"
           << "events { worker_connections " << worker_connections << "; }\n"
           << "http {\n"
           << "    client_body_temp_path " << prefix << "/client-body;\n"
           << "    proxy_temp_path " << prefix << "/proxy;\n"
           << "    fastcgi_temp_path " << prefix << "/fastcgi;\n"
           << "    uwsgi_temp_path " << prefix << "/uwsgi;\n"
           << "    scgi_temp_path " << prefix << "/scgi;\n"
           << http_block << "\n}\n";
    config.close();

    const std::string config_path = prefix + "/nginx.conf";
    const std::string error_path = prefix + "/error.log";
    const char* argv[] = {program.c_str(),    "-p", prefix.c_str(),      "-e",
                          error_path.c_str(), "-c", config_path.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_path.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr,
                                    const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        error_log_text_ = "nginx could not be started";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + start_patience;
    while (std::chrono::steady_clock::now() < deadline) {
        if (const int socket = loopback_socket(port, true); socket >= 0) {
            close(socket);
            started_ = true;
            return;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        usleep(20000);
    }
    std::ifstream log(error_path);
    std::stringstream text;
    text << log.rdbuf();
    error_log_text_ = text.str();
}

NginxProcess::~NginxProcess() {
    if (pid_ <= 0) {
        return;
    }
    // A fast stop: the master ends its workers and then itself.
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + stop_patience;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        usleep(10000);
    }
    if (ended == 0) {
        ::kill(pid_, SIGKILL);
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
}
