// The deployment files as shipped: nginx with the site's configuration (and the connections it
// asks of nginx.conf) on loopback in front of the real service, which takes each client's
// address from it, and answers an ordinary client while a crowd holds all that nginx lets it;
// the systemd unit, checked by systemd itself and by the service's own option parser; and
// scripts/serve, whose copy of the service's usage is the service's own.
#include "tests/server/held_connections.h"
#include "tests/server/raw_client.h"
#include "tests/server/result_links.h"
#include "tests/server/stored_rows.h"
#include "tests/support/command_run.h"
#include "tests/support/nginx_process.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::string file_text(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Replaces the one place the text has what; a test fails when there is not exactly one, so a
// changed site file is noticed here rather than tested half-adapted.
void replace_once(std::string& text, const std::string& what, const std::string& by) {
    const size_t at = text.find(what);
    ASSERT_NE(at, std::string::npos) << what;
    ASSERT_EQ(text.find(what, at + 1), std::string::npos) << what;
    text.replace(at, what.size(), by);
}

// One request from a loopback address to a port, and its whole answer.
std::string ask(const char* from, int port, const std::string& request_text) {
    RawClient client(from, port);
    client.send(request_text);
    return client.answer(10s);
}

std::string get_request(const std::string& path, const std::string& headers = "") {
    return "GET " + path + " HTTP/1.1\r\nHost: www.trivelle.net\r\n" + headers +
           "Connection: close\r\n\r\n";
}

struct FrontServer : testing::Test {
    TemporaryFolder folder;
    std::string db = folder.path("results.sqlite");
    std::string service_output = folder.path("service.txt");
    std::unique_ptr<ServiceProcess> service;
    std::unique_ptr<NginxProcess> nginx;
    int port = 0; // nginx's
    int worker_connections = 0;

    void SetUp() override {
        service = std::make_unique<ServiceProcess>(
            TRIVELLE_RESULTS_SERVICE, db,
            std::vector<std::string>{"--trusted-proxy=127.0.0.1,::1", "--results-per-minute=2"},
            StartWait::for_port, service_output);
        ASSERT_TRUE(service->started());
        port = free_loopback_port();
        std::string site = file_text(TRIVELLE_NGINX_SITE);
        ASSERT_FALSE(site.empty());
        ASSERT_NO_FATAL_FAILURE(
            replace_once(site, "listen 80;", "listen 127.0.0.1:" + std::to_string(port) + ";"));
        // The machine that runs the tests may have no IPv6.
        ASSERT_NO_FATAL_FAILURE(replace_once(site, "listen [::]:80;", ""));
        ASSERT_NO_FATAL_FAILURE(
            replace_once(site, "server 127.0.0.1:8080;",
                         "server 127.0.0.1:" + std::to_string(service->port()) + ";"));
        ASSERT_NO_FATAL_FAILURE(replace_once(site, "/var/log/nginx/trivelle-error.log",
                                             folder.path("nginx-trivelle-error.log")));
        // The worker's connections the site asks nginx.conf for, and the descriptors for them.
        const std::string setting = "#   worker_connections ";
        const size_t at = site.find(setting);
        ASSERT_NE(at, std::string::npos) << "the site names no worker_connections";
        worker_connections = std::atoi(site.c_str() + at + setting.size());
        ASSERT_GT(worker_connections, 0);
        allow_all_descriptors();
        nginx = std::make_unique<NginxProcess>(folder, site, port, worker_connections);
        ASSERT_TRUE(nginx->started()) << nginx->error_log();
    }

    std::vector<std::string> service_log() const {
        std::ifstream file(service_output);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(FrontServer, TheProgramsAddressesReachTheServiceWithEachClientsOwnAddress) {
    const std::string query = typical_query("through nginx", 200);
    const std::string stored = ask("127.0.0.5", port, get_request(result_path(query)));
    EXPECT_EQ(status_of(stored), 200) << stored.substr(0, 300);
    EXPECT_NE(body_of(stored).find("through nginx"), std::string::npos);
    EXPECT_FALSE(stored_row(db, query).empty());
    struct Page {
        const char* path;
        std::string heading;
    };
    const Page pages[] = {
        {"/records.html", utf8_text(u8"<h1>Рекорды</h1>")},
        {"/rules.html", utf8_text(u8"<h1>Правила</h1>")},
        {"/forum/", utf8_text(u8"<h1>Форум</h1>")},
        {"/", "<h1>Trivelle</h1>"},
    };
    for (const Page& page : pages) {
        const std::string answer = ask("127.0.0.5", port, get_request(page.path));
        EXPECT_EQ(status_of(answer), 200) << page.path;
        EXPECT_NE(body_of(answer).find(page.heading), std::string::npos) << page.path;
    }
    // What a client claims in the headers is replaced by nginx: the allowance is the real
    // address's, and the second client's is its own.
    const std::string forged = "X-Forwarded-For: 203.0.113.1\r\nX-Real-IP: 203.0.113.2\r\n";
    EXPECT_EQ(status_of(ask("127.0.0.5", port,
                            get_request(result_path(typical_query("second", 201)), forged))),
              200);
    const std::string third_query = typical_query("third", 202);
    const std::string refused = ask("127.0.0.5", port, get_request(result_path(third_query)));
    EXPECT_EQ(status_of(refused), 429);
    EXPECT_NE(refused.find("Retry-After: "), std::string::npos);
    EXPECT_TRUE(stored_row(db, third_query).empty());
    EXPECT_EQ(status_of(ask("127.0.0.6", port, get_request(result_path(third_query)))), 200);

    // The service saw every request with its client's address, and the query in none.
    int from_first = 0;
    for (const std::string& line : service_log()) {
        EXPECT_EQ(line.find(query.substr(0, 16)), std::string::npos) << line;
        EXPECT_EQ(line.find("203.0.113."), std::string::npos) << line;
        from_first += line.find(" 127.0.0.5 GET ") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(from_first, 7) << "five addresses and two more results";
}

TEST_F(FrontServer, NginxRefusesOversizedRequestsAndBodiesBeforeTheyReachTheService) {
    struct Attack {
        const char* what;
        std::string request;
        int status;
    };
    const Attack attacks[] = {
        {"a body", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n", 413},
        {"a request line of 9 KB", get_request("/" + std::string(9000, 'a')), 414},
        {"a header of 9 KB", get_request("/", "X-Big: " + std::string(9000, 'b') + "\r\n"), 400},
    };
    const size_t logged_before = service_log().size();
    for (const Attack& attack : attacks) {
        EXPECT_EQ(status_of(ask("127.0.0.5", port, attack.request)), attack.status) << attack.what;
    }
    EXPECT_EQ(service_log().size(), logged_before) << "none of them reached the service";
    EXPECT_EQ(status_of(ask("127.0.0.5", port, get_request("/"))), 200);
}

// From each of 256 addresses in 16 /24s, eight connections kept alive by a HEAD every few
// seconds and one that never sends a byte: more than nginx's worker has, so it must close idle
// ones for the ordinary clients.
TEST_F(FrontServer, AnOrdinaryClientIsAnsweredWhileACrowdHoldsAllNginxLetsIt) {
    HeldConnections crowd(loopback_crowd(16, 16), port, 8, 1);
    ASSERT_GT(256 * 9, worker_connections) << "the crowd would not fill nginx's worker";
    double slowest_ms = 0;
    for (int round = 0; round < 4; ++round) {
        crowd.round(10s, 1s);
        const std::string from = "127.0.0." + std::to_string(10 + round);
        for (const std::string& path : {std::string("/"), std::string("/records"),
                                        result_path(typical_query("ordinary", 200 + round))}) {
            const Clock::time_point began = Clock::now();
            const std::string answer = ask(from.c_str(), port, get_request(path));
            slowest_ms =
                std::max(slowest_ms,
                         std::chrono::duration<double, std::milli>(Clock::now() - began).count());
            EXPECT_EQ(status_of(answer), 200) << path << ", round " << round;
        }
        std::this_thread::sleep_for(1s);
    }
    std::printf("through nginx, %d connections a worker: the crowd held at most %d, %d refused, "
                "%d closed and opened again; the ordinary client's slowest answer %.1f ms\n",
                worker_connections, crowd.most_held(), crowd.refused(), crowd.reopened(),
                slowest_ms);
    EXPECT_LT(crowd.most_held(), 256 * 9) << "nginx closed none of the crowd's connections";
    EXPECT_NE(file_text(folder.path("nginx/error.log")).find("reusing connections"),
              std::string::npos)
        << "nginx never ran short of connections: the crowd tested nothing";
}

TEST(SystemdUnit, SystemdAcceptsItAndTheServiceAcceptsItsCommandLine) {
    const std::string unit = file_text(TRIVELLE_SYSTEMD_UNIT);
    for (const char* setting :
         {"\nDynamicUser=yes\n", "\nStateDirectory=trivelle-results\n", "\nProtectSystem=strict\n",
          "\nNoNewPrivileges=yes\n", "\nPrivateTmp=yes\n", "\nRestart=on-failure\n"}) {
        EXPECT_NE(unit.find(setting), std::string::npos) << setting;
    }
    // The command line, its continued lines joined, with the service's path.
    const std::string key = "\nExecStart=";
    const size_t start = unit.find(key);
    ASSERT_NE(start, std::string::npos);
    std::string command;
    for (size_t at = start + key.size();;) {
        const size_t end = unit.find('\n', at);
        std::string line = unit.substr(at, end - at);
        const bool continued = !line.empty() && line.back() == '\\';
        command += continued ? line.substr(0, line.size() - 1) : line;
        if (!continued) {
            break;
        }
        at = end + 1;
    }
    const std::string installed = "/usr/local/bin/trivelle-results";
    ASSERT_EQ(command.rfind(installed, 0), 0u) << command;
    const std::string options = command.substr(installed.size());
    EXPECT_NE(options.find("--db /var/lib/trivelle-results/"), std::string::npos)
        << "the results live in the state directory";
    const CommandRun parsed =
        run_command(std::string(TRIVELLE_RESULTS_SERVICE) + options + " --help");
    EXPECT_EQ(parsed.exit_code, 0) << options << ": " << parsed.output;

    // systemd's own check, on a copy that starts the service built here (it checks that the
    // program exists). Any finding, even one it only warns of, fails.
    TemporaryFolder folder;
    std::string copy = unit;
    copy.replace(start + key.size(), installed.size(), TRIVELLE_RESULTS_SERVICE);
    std::ofstream(folder.path("trivelle-results.service")) << copy;
    const CommandRun verified = run_command("systemd-analyze verify '" +
                                            folder.path("trivelle-results.service") + "' 2>&1");
    EXPECT_EQ(verified.exit_code, 0) << verified.output;
    EXPECT_EQ(verified.output, "");
}

// scripts/serve shows the usage before anything is built, and reads the option names from it.
TEST(ServeScript, ItsUsageIsTheServicesOwn) {
    const CommandRun service = run_command(std::string(TRIVELLE_RESULTS_SERVICE) + " --help");
    ASSERT_EQ(service.exit_code, 0);
    const CommandRun script = run_command(std::string(TRIVELLE_SERVE_SCRIPT) + " --help");
    ASSERT_EQ(script.exit_code, 0);
    const size_t at = script.output.find("usage: trivelle-results");
    ASSERT_NE(at, std::string::npos) << script.output;
    EXPECT_EQ(script.output.substr(at), service.output);
}

} // namespace
