// The results service run as the real program for tests: started on any free port with a
// database of the test's own (a SQLite file, or a PostgreSQL database's URI, which several
// services may share), asked over loopback, stopped or killed.
#pragma once

#include <httplib.h>

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// How long a service may take to end after SIGTERM before a test calls it hung.
constexpr std::chrono::seconds stop_patience{5};
// How long a start may take to say where it listens (a sanitized build starts slowly on a busy
// machine).
constexpr std::chrono::seconds start_patience{20};
// How long an ordinary client waits for an answer unless told otherwise.
constexpr std::chrono::seconds answer_patience{30};

// A program under test: the one this tree built, unless the environment variable names another
// built from the same sources (scripts/test runs the service's tests a second time against the
// release build that scripts/serve and the systemd unit run).
const char* program_under_test(const char* variable, const char* built);
#ifdef TRIVELLE_BUILT_RESULTS_SERVICE
#define TRIVELLE_RESULTS_SERVICE                                                                   \
    program_under_test("TRIVELLE_RESULTS_SERVICE", TRIVELLE_BUILT_RESULTS_SERVICE)
#endif
#ifdef TRIVELLE_BUILT_ADMIN
#define TRIVELLE_ADMIN program_under_test("TRIVELLE_ADMIN", TRIVELLE_BUILT_ADMIN)
#endif

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

// Whether a start waits for the line naming the port, or returns at once (to stop a service
// while it is still starting).
enum class StartWait { for_port, none };

class ServiceProcess {
  public:
    // Starts the service on a free port of 127.0.0.1 with db as its --db, and any further
    // options, and waits for the line naming the port (for start_patience at most) unless
    // told not to. Its standard output goes to output_file when one is named (the access
    // log), and is read only for that line otherwise: then closed, or with keep_output kept
    // open and unread, as a stalled reader would, until the test reads output(). Its standard
    // error goes to error_file when one is named.
    ServiceProcess(const std::string& binary, const std::string& db,
                   const std::vector<std::string>& options = {},
                   StartWait wait = StartWait::for_port, const std::string& output_file = "",
                   const std::string& error_file = "", bool keep_output = false);
    ~ServiceProcess(); // stops it if it still runs, and closes output()
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool started() const { return port_ > 0; }
    // The line that named the port.
    const std::string& listening_line() const { return listening_line_; }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    // The reading end of standard output after the line that named the port, when kept;
    // -1 otherwise.
    int output() const { return output_; }
    // A client for this service; a new connection each time it is asked.
    httplib::Client client(std::chrono::seconds patience = answer_patience) const;
    // SIGTERM, then the exit status as a shell shows it: the exit code, or 128 + the signal
    // that ended the process. A service that has not ended within stop_patience is killed,
    // and the test fails.
    int stop();
    // SIGKILL: the process ends wherever it is.
    void kill();

  private:
    pid_t pid_ = -1;
    int port_ = -1;
    int output_ = -1;
    std::string listening_line_;
};

// A GET of a path; status -1 when no answer came within patience.
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
Answer get(const ServiceProcess& service, const std::string& path,
           std::chrono::seconds patience = answer_patience);
