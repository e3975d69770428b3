// Private PostgreSQL servers, each a new cluster in a temporary folder that listens only on a
// Unix socket there; and the tests' own, started by the first test that asks for a database, and
// stopped and removed when the test program ends, whether its tests passed or not.
#include "tests/support/postgres_cluster.h"

#include "tests/support/service_process.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <fcntl.h>
#include <glob.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

extern char** environ;

namespace {

// The newest server installed, as Debian lays them out.
std::string server_binaries() {
    glob_t found{};
    std::string newest;
    if (glob("/usr/lib/postgresql/*/bin/postgres", 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            const std::string path = found.gl_pathv[i];
            const std::string folder =
                path.substr(0, path.size() - std::string("/postgres").size());
            // Versions are whole numbers since 10: longer is newer, then the larger.
            if (newest.empty() || folder.size() > newest.size() ||
                (folder.size() == newest.size() && folder > newest)) {
                newest = folder;
            }
        }
    }
    globfree(&found);
    return newest;
}

} // namespace

PostgresCluster::PostgresCluster(CommitSyncs syncs) {
    binaries_ = server_binaries();
    if (binaries_.empty()) {
        error_ = "no PostgreSQL server under /usr/lib/postgresql (scripts/bootstrap server)";
        return;
    }
    // PostgreSQL refuses to run as root, so as root (as CI runs) the cluster belongs to the
    // postgres user, who must reach its folder.
    if (geteuid() == 0) {
        const passwd* owner = getpwnam("postgres");
        if (owner == nullptr) {
            error_ = "running as root, and there is no postgres user to run the server";
            return;
        }
        uid_ = owner->pw_uid;
        gid_ = owner->pw_gid;
        if (chown(folder().c_str(), uid_, gid_) != 0) {
            error_ = "cannot give the cluster's folder to the postgres user";
            return;
        }
    }
    if (run({binaries_ + "/initdb", "--pgdata=" + data(), "--username=trivelle", "--auth=trust",
             "--encoding=UTF8", "--locale=C", "--no-sync"},
            folder_.path("initdb.log")) != 0) {
        error_ = "initdb failed: see " + folder_.path("initdb.log");
        return;
    }
    std::vector<std::string> arguments = {binaries_ + "/postgres",
                                          "-D",
                                          data(),
                                          "-c",
                                          "listen_addresses=",
                                          "-c",
                                          "unix_socket_directories=" + folder()};
    if (syncs == CommitSyncs::off) {
        // No test loses the machine under the server, and a new database per test is made in
        // a moment instead of a second.
        arguments.insert(arguments.end(), {"-c", "fsync=off"});
    }
    server_ = start(arguments, folder_.path("server.log"));
    if (server_ <= 0) {
        error_ = "cannot start postgres";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + start_patience;
    while (PQping(uri("postgres").c_str()) != PQPING_OK) {
        if (std::chrono::steady_clock::now() > deadline ||
            waitpid(server_, nullptr, WNOHANG) != 0) {
            error_ = "postgres did not start: see " + folder_.path("server.log");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ready_ = true;
}

PostgresCluster::~PostgresCluster() {
    if (server_ > 0) {
        // A fast stop: the databases need no checkpoint.
        run({binaries_ + "/pg_ctl", "stop", "--pgdata=" + data(), "--mode=fast", "--wait"},
            folder_.path("pg_ctl.log"));
        kill(server_, SIGQUIT); // in case pg_ctl could not stop it
        while (waitpid(server_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

std::string PostgresCluster::uri(const std::string& database) const {
    return "postgresql://trivelle@/" + database + "?host=" + folder();
}

std::string PostgresCluster::folder() const {
    const std::string slashed = folder_.path("");
    return slashed.substr(0, slashed.size() - 1);
}

std::string PostgresCluster::new_database(const std::string& name) {
    if (!ready_) {
        return "";
    }
    PGconn* admin = PQconnectdb(uri("postgres").c_str());
    PGresult* result = PQexec(admin, ("CREATE DATABASE " + name).c_str());
    const bool created = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!created) {
        error_ = std::string("cannot create a database: ") + PQerrorMessage(admin);
    }
    PQclear(result);
    PQfinish(admin);
    return created ? uri(name) : "";
}

// A child running argv as the cluster's owner, its output in log; the child ends with this
// process (SIGQUIT: the server's immediate stop), so that a program that crashes leaves no
// server behind.
pid_t PostgresCluster::start(const std::vector<std::string>& arguments,
                             const std::string& log) const {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        const int output = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (output < 0 || dup2(output, STDOUT_FILENO) < 0 || dup2(output, STDERR_FILENO) < 0) {
            _exit(126);
        }
        if (uid_ != 0 && (setgid(gid_) != 0 || setuid(uid_) != 0)) {
            _exit(126);
        }
        // Set after the change of user, which would clear it.
        prctl(PR_SET_PDEATHSIG, SIGQUIT);
        if (getppid() != parent) {
            _exit(126);
        }
        execve(argv[0], argv.data(), environ);
        _exit(127);
    }
    return child;
}

int PostgresCluster::run(const std::vector<std::string>& arguments, const std::string& log) const {
    const pid_t child = start(arguments, log);
    int status = 0;
    if (child <= 0) {
        return -1;
    }
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

std::mutex cluster_mutex;
std::unique_ptr<PostgresCluster> cluster;

// Stops the cluster once every test has run.
struct ClusterEnvironment : testing::Environment {
    void TearDown() override {
        const std::lock_guard lock(cluster_mutex);
        cluster.reset();
    }
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new ClusterEnvironment);

} // namespace

std::string new_postgres_database() {
    const std::lock_guard lock(cluster_mutex);
    if (!cluster) {
        cluster = std::make_unique<PostgresCluster>();
    }
    if (!cluster->ready()) {
        ADD_FAILURE() << "no PostgreSQL for the tests: " << cluster->error();
        return "";
    }
    static int made = 0;
    const std::string made_uri = cluster->new_database("test" + std::to_string(++made));
    if (made_uri.empty()) {
        ADD_FAILURE() << cluster->error();
    }
    return made_uri;
}

std::vector<pid_t> postgres_server_processes() {
    const std::lock_guard lock(cluster_mutex);
    std::vector<pid_t> processes;
    if (!cluster || !cluster->ready()) {
        return processes;
    }
    processes.push_back(cluster->server());
    std::ifstream children("/proc/" + std::to_string(cluster->server()) + "/task/" +
                           std::to_string(cluster->server()) + "/children");
    for (pid_t child = 0; children >> child;) {
        processes.push_back(child);
    }
    return processes;
}

PausedPostgresServer::PausedPostgresServer() : processes_(postgres_server_processes()) {
    for (const pid_t process : processes_) {
        kill(process, SIGSTOP);
    }
}

PausedPostgresServer::~PausedPostgresServer() {
    for (const pid_t process : processes_) {
        kill(process, SIGCONT);
    }
}
