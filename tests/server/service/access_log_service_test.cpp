// The real service's access log: one line for every answer, refusals included, with the
// client's address as the service counts it, and never a query or a private field.
#include "tests/server/raw_client.h"
#include "tests/server/result_links.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::vector<std::string> lines_of(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Whether a line has the log's seven fields: a UTC time to the millisecond, the client, the
// method, the path, a status, the bytes and the duration.
bool in_log_form(const std::string& line) {
    std::istringstream fields(line);
    std::string time, client, method, path, status, bytes, duration, more;
    fields >> time >> client >> method >> path >> status >> bytes >> duration;
    const auto digits = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    return !(fields >> more) && time.size() == 24 && time[10] == 'T' && time[19] == '.' &&
           time.back() == 'Z' && !client.empty() && !path.empty() && status.size() == 3 &&
           digits(status) && digits(bytes) && duration.ends_with("ms") &&
           line.find_first_of("\t\r") == std::string::npos;
}

// Sends one request from an address of loopback and waits for the whole answer and the close.
int ask_once(const char* from, int port, const std::string& text) {
    RawClient client(from, port);
    client.send(text);
    const int status = status_of(client.answer(10s));
    client.closed_within(5s);
    return status;
}

TEST(AccessLog, OneLinePerAnswerWithThePathAndNeverTheQuery) {
    TemporaryFolder folder;
    const std::string output = folder.path("output.txt");
    std::vector<std::string> fields = typical_fields();
    fields[7] = "HIDDEN-TEXT-7";
    fields[8] = "1877";
    fields[9] = "secret@example.org";
    const std::string query = query_of_fields(fields);
    {
        ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"),
                               {"--trusted-proxy=127.0.0.7"}, StartWait::for_port, output);
        ASSERT_TRUE(service.started());
        const int port = service.port();
        const std::string close = "Host: x\r\nConnection: close\r\n\r\n";
        EXPECT_EQ(ask_once("127.0.0.2", port,
                           "GET " + result_path(query) + " HTTP/1.1\r\n" +
                               "X-Forwarded-For: 203.0.113.9\r\n" + close),
                  200);
        EXPECT_EQ(ask_once("127.0.0.7", port,
                           "HEAD " + result_path(query) + " HTTP/1.1\r\n" +
                               "X-Forwarded-For: 203.0.113.9\r\n" + close),
                  200);
        EXPECT_EQ(ask_once("127.0.0.3", port, "GET /no%20such\x01page HTTP/1.1\r\n" + close), 400);
        EXPECT_EQ(
            ask_once("127.0.0.3", port,
                     "GET /nowhere?secret HTTP/1.1\r\nX-Note: secret@example.org\r\n" + close),
            404);
        EXPECT_EQ(ask_once("127.0.0.4", port, "DELETE /records HTTP/1.1\r\n" + close), 405);
        EXPECT_EQ(service.stop(), 0);
    }
    const std::vector<std::string> lines = lines_of(output);
    ASSERT_EQ(lines.size(), 6u) << "the listening line and one a request";
    const char* expected[] = {
        " 127.0.0.2 GET /cgi-bin/trv-w-ru.pl 200 ",
        " 203.0.113.9 HEAD /cgi-bin/trv-w-ru.pl 200 ",
        " 400 ", // an unreadable request line: whatever of it could be read, escaped
        " 127.0.0.3 GET /nowhere 404 ",
        " 127.0.0.4 DELETE /records 405 ",
    };
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(in_log_form(lines[i])) << lines[i];
        EXPECT_NE(lines[i].find(expected[i - 1]), std::string::npos) << lines[i];
    }
    std::ifstream file(output);
    std::stringstream whole;
    whole << file.rdbuf();
    for (const std::string& hidden :
         {query, query.substr(0, 16), std::string("secret"), std::string("1877")}) {
        EXPECT_EQ(whole.str().find(hidden), std::string::npos) << hidden;
    }
}

TEST(AccessLog, OffWritesNothingButTheListeningLine) {
    TemporaryFolder folder;
    const std::string output = folder.path("output.txt");
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"),
                           {"--access-log=off"}, StartWait::for_port, output);
    ASSERT_TRUE(service.started());
    EXPECT_EQ(get(service, "/").status, 200);
    EXPECT_EQ(get(service, result_path(typical_query("quiet", 200))).status, 200);
    EXPECT_EQ(service.stop(), 0);
    EXPECT_EQ(lines_of(output).size(), 1u);
}

// The count of a note of dropped lines ("2026-05-01T12:00:05.000Z 12 lines dropped"), or -1
// when the line is no such note.
int dropped_in(const std::string& line) {
    std::istringstream fields(line);
    std::string time, count, what, more;
    fields >> time >> count >> what >> more;
    const bool note = time.size() == 24 && time.back() == 'Z' && !count.empty() &&
                      count.find_first_not_of("0123456789") == std::string::npos &&
                      (what == "lines" || what == "line") && more == "dropped" && !(fields >> more);
    return note ? std::stoi(count) : -1;
}

// Reads a descriptor to its end, for patience at most.
std::string read_to_end(int from, std::chrono::seconds patience) {
    const auto deadline = Clock::now() + patience;
    std::string text;
    char buffer[65536];
    for (pollfd readable{from, POLLIN, 0};
         left_until(deadline).count() > 0 &&
         poll(&readable, 1, int(left_until(deadline).count())) > 0;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, size_t(got));
    }
    return text;
}

TEST(AccessLog, AReaderThatStopsReadingCostsLinesNeverAnswers) {
    TemporaryFolder folder;
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"),
                           {"--access-log-buffer=4096"}, StartWait::for_port, "", "", true);
    ASSERT_TRUE(service.started());
    ASSERT_GE(service.output(), 0);
    // The smallest pipe the system allows: it and the buffer hold some 120 lines of 66 bytes,
    // far fewer than the requests.
    fcntl(service.output(), F_SETPIPE_SZ, 4096);

    // A log written by the serving threads stops them once the pipe is full: the requests
    // after it would never be answered.
    constexpr int clients = 4;
    constexpr int per_client = 1000;
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&] {
            httplib::Client connection = service.client();
            for (int n = 0; n < per_client; ++n) {
                const httplib::Result result = connection.Get("/nowhere");
                answered += result && result->status == 404 ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(answered.load(), clients * per_client);

    // Drained while the service stops: what waited is written, then a note of the rest.
    std::string log;
    std::thread reader([&] { log = read_to_end(service.output(), stop_patience * 2); });
    EXPECT_EQ(service.stop(), 0);
    reader.join();
    int logged = 0;
    int dropped = 0;
    int notes = 0;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (const int count = dropped_in(line); count >= 0) {
            ++notes;
            dropped += count;
        } else {
            EXPECT_TRUE(in_log_form(line)) << line;
            EXPECT_NE(line.find(" GET /nowhere 404 "), std::string::npos) << line;
            ++logged;
        }
    }
    EXPECT_GE(notes, 1);
    EXPECT_GT(dropped, 0);
    EXPECT_GT(logged, 0);
    EXPECT_EQ(logged + dropped, clients * per_client) << "every line written or counted";
}

} // namespace
