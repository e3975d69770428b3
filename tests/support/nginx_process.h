// nginx run for tests: on a free port of loopback in front of a service, with its
// configuration, pid, logs and temporary files in a folder of the test's own, stopped and
// waited for at the end.
#pragma once

#include "tests/support/service_process.h"

#include <string>
#include <sys/types.h>

// The nginx program: the one on the PATH, or Debian's in /usr/sbin; empty when there is none.
std::string nginx_program();

// A port of 127.0.0.1 that was free a moment ago.
int free_loopback_port();

class NginxProcess {
  public:
    // Writes nginx.conf into the folder around http_block (the contents of nginx's http
    // block), with worker_processes workers (0: one a core, nginx's auto) of
    // worker_connections each, starts nginx on it in the foreground and waits (for
    // start_patience at most) until it accepts on port.
    NginxProcess(const TemporaryFolder& folder, const std::string& http_block, int port,
                 int worker_connections = 256, int worker_processes = 1);
    ~NginxProcess(); // stops it, and kills it if it does not stop within stop_patience
    NginxProcess(const NginxProcess&) = delete;
    NginxProcess& operator=(const NginxProcess&) = delete;

    bool started() const { return started_; }
    // What nginx said when it would not start.
    const std::string& error_log() const { return error_log_text_; }

  private:
    pid_t pid_ = -1;
    bool started_ = false;
    std::string error_log_text_;
};
