// A PostgreSQL server of the tests' own: a new cluster in a temporary folder that listens only
// on a Unix socket there, started by the first test that asks for a database, and stopped and
// removed when the test program ends, whether its tests passed or not.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

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
