// Private PostgreSQL servers, each a new cluster in a temporary folder that listens only on a
// Unix socket there; and the tests' own, started by the first test that asks for a database, and
// stopped and removed when the test program ends, whether its tests passed or not.
#pragma once

#include "tests/support/service_process.h"

#include <string>
#include <sys/types.h>
#include <vector>

// Whether the server syncs its commits: off for the tests, which lose no machine under it;
// on, as PostgreSQL comes, where a commit's cost is measured.
enum class CommitSyncs { off, on };

// A private PostgreSQL server: a new cluster in a temporary folder, listening only on a Unix
// socket there, run as a child of this process (ended with it however it ends) and stopped and
// removed when this ends.
class PostgresCluster {
  public:
    explicit PostgresCluster(CommitSyncs syncs = CommitSyncs::off);
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    bool ready() const { return ready_; }
    // Why it is not ready, or why the last database could not be made.
    const std::string& error() const { return error_; }
    pid_t server() const { return server_; }
    std::string uri(const std::string& database) const;
    // A new empty database of that name, as the URI the service takes; empty when it cannot be
    // made, and error() says why.
    std::string new_database(const std::string& name);

  private:
    std::string data() const { return folder_.path("data"); }
    std::string folder() const; // its socket's folder too
    pid_t start(const std::vector<std::string>& arguments, const std::string& log) const;
    int run(const std::vector<std::string>& arguments, const std::string& log) const;

    TemporaryFolder folder_;
    std::string binaries_;
    std::string error_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    pid_t server_ = -1;
    bool ready_ = false;
};

// A new empty database on the tests' cluster, as the URI the service takes; the first call
// makes and starts the cluster. Empty, with the test failed, when it cannot.
std::string new_postgres_database();

// The server processes of the cluster (the postmaster first), for tests that make it stop
// answering.
std::vector<pid_t> postgres_server_processes();

// The cluster's server processes stopped (SIGSTOP) while this lives, so that it takes
// connections but answers nothing; resumed however the test ends, for the tests after it.
class PausedPostgresServer {
  public:
    PausedPostgresServer();
    ~PausedPostgresServer();
    PausedPostgresServer(const PausedPostgresServer&) = delete;
    PausedPostgresServer& operator=(const PausedPostgresServer&) = delete;
    bool paused() const { return !processes_.empty(); }

  private:
    std::vector<pid_t> processes_;
};
