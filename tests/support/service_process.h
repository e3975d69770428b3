// The results service run as the real program for tests: started on any free port with a
// database file of the test's own, asked over loopback, stopped or killed.
#pragma once

#include <httplib.h>

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// How long a service may take to end after SIGTERM before a test calls it hung.
constexpr std::chrono::seconds stop_patience{5};

// A folder of its own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

  private:
    std::string folder_;
};

class ServiceProcess {
  public:
    // Starts the service on a free port of 127.0.0.1, with any further options, and waits for
    // the line naming the port.
    ServiceProcess(const std::string& binary, const std::string& db,
                   const std::vector<std::string>& options = {});
    ~ServiceProcess(); // stops it if it still runs
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    // A client for this service; a new connection each time it is asked.
    httplib::Client client() const;
    // SIGTERM and the exit status (-1 if it ended by a signal). A service that has not ended
    // within stop_patience is killed, and the test fails.
    int stop();
    // SIGKILL: the process ends wherever it is.
    void kill();

  private:
    pid_t pid_ = -1;
    int port_ = -1;
};

// A GET of a path; status -1 when no answer came.
struct Answer {
    int status = -1;
    std::string body;
    httplib::Headers headers;
    // A header's value; empty when it was not sent.
    std::string header(const std::string& name) const {
        const auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};
Answer get(const ServiceProcess& service, const std::string& path);
