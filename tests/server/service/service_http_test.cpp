// The real service over loopback on a temporary database: results stored once and answered,
// bad links refused with nothing stored, the records and the fixed pages, and the private
// fields in no answer.
#include "resources/web_addresses.h"
#include "tests/server/raw_client.h"
#include "tests/server/result_links.h"
#include "tests/server/service_fixture.h"
#include "tests/server/stored_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

using ResultEndpoint = ServiceTest;
using Site = ServiceTest;
using Service = ServiceTest;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(ResultEndpoint, StoresAValidLinkOnceAndAnswersItAlikeEachTime) {
    const std::string query = query_of_fields(typical_fields());
    const Answer first = get(result_path(query));
    ASSERT_EQ(first.status, 200) << first.body;
    EXPECT_EQ(first.header("Content-Type"), "text/html; charset=utf-8");
    for (const std::string& shown :
         {utf8_text(u8"Результат принят"), std::string("Tester"), utf8_text(u8"Москва"),
          std::string("173.913"), utf8_text(u8"1 из 1")}) {
        EXPECT_TRUE(contains(first.body, shown)) << shown;
    }
    const Answer second = get(result_path(query));
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body, first.body);
    EXPECT_EQ(stored_count(db), 1);
    EXPECT_EQ(stored_row(db, query)["email"], "t@x.org") << "stored, though never shown";
}

TEST_F(ResultEndpoint, RefusesBadLinksWithAPlainPageAndStoresNothing) {
    std::string scrambled = scramble_record(record_of_fields(typical_fields()));
    scrambled.back() = scrambled.back() == '3' ? '2' : '3';
    const std::string wrong_checksum = query_of_raw_bytes(scrambled);
    std::vector<std::string> fields = typical_fields();
    fields[0] = "60";
    const std::string too_many_balls = query_of_fields(fields);
    fields = typical_fields();
    fields[3] = "59"; // 5 × 12 = 60 lines
    const std::string fewer_moves_than_lines = query_of_fields(fields);
    struct Case {
        const char* what;
        std::string path;
        int status;
    };
    const Case cases[] = {
        {"no query", "/cgi-bin/trv-w-ru.pl", 400},
        {"empty query", "/cgi-bin/trv-w-ru.pl?", 400},
        {"not hexadecimal", result_path("hello"), 400},
        {"name and value", result_path("a=1"), 400},
        {"wrong checksum", result_path(wrong_checksum), 400},
        {"60 balls", result_path(too_many_balls), 400},
        {"fewer moves than lines", result_path(fewer_moves_than_lines), 400},
        {"longer than any link", result_path(std::string(424, 'a')), 414},
        {"longer than the server reads", result_path(std::string(9000, 'a')), 414},
    };
    for (const Case& c : cases) {
        const Answer answer = get(c.path);
        EXPECT_EQ(answer.status, c.status) << c.what;
        EXPECT_EQ(answer.header("Content-Type"), "text/html; charset=utf-8") << c.what;
        EXPECT_TRUE(contains(answer.body, "<h1>")) << c.what;
        EXPECT_TRUE(contains(answer.body, std::to_string(c.status))) << c.what;
    }
    EXPECT_EQ(stored_count(db), 0);
}

TEST_F(Site, RecordsListTheBestFirstEscapedAndNeverAPrivateField) {
    struct Sent {
        const char* nickname;
        int moves;
    };
    const Sent sent[] = {{"second", 300}, {"<script>", 240}, {"third", 300}};
    std::vector<std::string> answers;
    for (const Sent& s : sent) {
        std::vector<std::string> fields = typical_fields();
        fields[3] = std::to_string(s.moves);
        fields[4] = s.nickname;
        fields[7] = "HIDDEN-TEXT-7";
        fields[8] = "1877";
        fields[9] = "secret@example.org";
        const Answer answer = get(result_path(query_of_fields(fields)));
        ASSERT_EQ(answer.status, 200);
        answers.push_back(answer.body);
    }
    const Answer records = get("/records");
    ASSERT_EQ(records.status, 200);
    const size_t first = records.body.find("&lt;script&gt;");
    const size_t second = records.body.find("<td>second</td>");
    const size_t third = records.body.find("<td>third</td>");
    EXPECT_TRUE(first < second && second < third) << records.body;
    EXPECT_TRUE(contains(records.body, "250.000")) << "60 lines in 240 moves";
    EXPECT_FALSE(contains(records.body, "<script>"));
    EXPECT_EQ(get("/records.html").body, records.body) << "the program's link image's address";

    for (const char* path : {"/", "/rules", "/forum", "/nowhere"}) {
        answers.push_back(get(path).body);
    }
    answers.push_back(records.body);
    for (const std::string& body : answers) {
        for (const char* hidden : {"HIDDEN-TEXT-7", "1877", "secret@example.org"}) {
            EXPECT_FALSE(contains(body, hidden)) << hidden;
        }
    }
    EXPECT_EQ(stored_count(db), 3);
}

TEST_F(Site, EveryPageAnswersAtItsOwnAddressAndAtTheProgramsOne) {
    struct Page {
        std::string path;
        std::string heading;
    };
    const Page pages[] = {
        {"/rules", utf8_text(u8"<h1>Правила</h1>")},
        {"/records", utf8_text(u8"<h1>Рекорды</h1>")},
        {"/forum", utf8_text(u8"<h1>Форум</h1>")},
        {"/", "<h1>Trivelle</h1>"},
    };
    // The program's four link images open the rules, records, forum and home page.
    for (size_t i = 0; i < std::size(link_pages); ++i) {
        const std::string address = link_pages[i];
        const std::string program_path = address.substr(address.find('/', 7));
        for (const std::string& path : {pages[i].path, program_path}) {
            const Answer answer = get(path);
            EXPECT_EQ(answer.status, 200) << path;
            EXPECT_TRUE(contains(answer.body, pages[i].heading)) << path;
            EXPECT_EQ(answer.header("Content-Security-Policy").find("default-src 'none'"), 0u)
                << path;
        }
    }
    const Answer missing = get("/records.htmlx");
    EXPECT_EQ(missing.status, 404);
    EXPECT_TRUE(contains(missing.body, utf8_text(u8"Страницы нет")));
    EXPECT_EQ(get("/cgi-bin/trv-w-ruXpl?00").status, 404) << "a route is its path, not a pattern";
}

// A result's answer is the player's own, and a refusal holds only for now: no cache keeps
// them. The records change with each result, so a cache asks again; the fixed pages and the
// other errors are left to a cache's own rules.
TEST_F(Site, EachAnswerTellsCachesWhatTheyMayKeep) {
    const std::string result = result_path(query_of_fields(typical_fields()));
    struct Case {
        std::string path;
        int status;
        const char* cache_control;
    };
    const Case cases[] = {
        {result, 200, "no-store"},     {result_path("hello"), 400, "no-store"},
        {"/records", 200, "no-cache"}, {"/records.html", 200, "no-cache"},
        {"/rules", 200, ""},           {"/", 200, ""},
        {"/nowhere", 404, ""},
    };
    for (const Case& c : cases) {
        const Answer answer = get(c.path);
        EXPECT_EQ(answer.status, c.status) << c.path;
        EXPECT_EQ(answer.header("Cache-Control"), c.cache_control) << c.path;
    }
}

// A client may name the whole address in the request line, as it would to a proxy; the service
// serves its path and query, and logs the path alone.
TEST(AbsoluteForm, ATargetWithSchemeAndHostIsServedAsItsPathAndQuery) {
    TemporaryFolder folder;
    const std::string output = folder.path("output.txt");
    const std::string db = folder.path("results.sqlite");
    const std::string query = typical_query("absolute", 200);
    {
        ServiceProcess service(TRIVELLE_RESULTS_SERVICE, db, {}, StartWait::for_port, output);
        ASSERT_TRUE(service.started());
        const std::string home = get(service, "/").body;
        const std::string records = get(service, "/records").body;
        struct Case {
            std::string target;
            int status;
            const std::string* body; // none: not compared
        };
        const Case cases[] = {
            {"http://www.trivelle.net/records", 200, &records},
            {"HTTP://WWW.TRIVELLE.NET/records", 200, &records},
            {"https://www.trivelle.net:8443/records", 200, &records},
            {"http://www.trivelle.net", 200, &home},
            {"http://www.trivelle.net?ignored", 200, &home},
            {"http://www.trivelle.net" + result_path(query), 200, nullptr},
            // No scheme of the web: a path that is none of the site's.
            {"ftp://www.trivelle.net/records", 404, nullptr},
        };
        for (const Case& c : cases) {
            RawClient client("127.0.0.1", service.port());
            client.send("GET " + c.target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
            const std::string answer = client.answer(std::chrono::seconds(10));
            EXPECT_EQ(status_of(answer), c.status) << c.target;
            if (c.body != nullptr) {
                EXPECT_EQ(body_of(answer), *c.body) << c.target;
            }
        }
        EXPECT_FALSE(stored_row(db, query).empty()) << "the result link in absolute form";
        EXPECT_EQ(service.stop(), 0);
    }
    std::ifstream log(output);
    int absolute = 0;
    std::string listening;
    std::getline(log, listening);
    for (std::string line; std::getline(log, line);) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        EXPECT_EQ(lower.find("http"), std::string::npos) << line;
        absolute += line.find(" GET /records 200 ") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(absolute, 4) << "/records asked once directly and three times in absolute form";
}

TEST_F(Service, StopsCleanlyOnSigtermAndRefusesAPortInUse) {
    ServiceProcess second(TRIVELLE_RESULTS_SERVICE, folder.path("other.sqlite"));
    ASSERT_TRUE(second.started());
    EXPECT_NE(second.port(), service->port()) << "each run takes a port of its own";
    EXPECT_EQ(second.stop(), 0);

    const std::string command = "timeout 20 " + std::string(TRIVELLE_RESULTS_SERVICE) + " --port " +
                                std::to_string(service->port()) + " --db " +
                                folder.path("third.sqlite") + " >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
    EXPECT_EQ(service->stop(), 0) << "exit status 0, no leak reported";
}

// Whether a process has taken charge of SIGTERM yet, having blocked it or set a handler, as
// /proc shows them for its main thread.
bool takes_stop_signal(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const unsigned long long sigterm = 1ull << (SIGTERM - 1);
    for (std::string line; std::getline(status, line);) {
        if ((line.rfind("SigBlk:", 0) == 0 || line.rfind("SigCgt:", 0) == 0) &&
            (std::strtoull(line.c_str() + 7, nullptr, 16) & sigterm) != 0) {
            return true;
        }
    }
    return false;
}

// A stop signal at any moment after a start ends the service within the bound; one that came
// just as it said it listens used to be lost, and the service ran on deaf to every later one.
TEST(ServiceStop, AStopSignalAtAnyMomentEndsTheServiceCleanly) {
    TemporaryFolder folder;
    std::chrono::steady_clock::duration starting_time{};
    constexpr int at_once = 40;
    for (int i = 0; i < at_once; ++i) {
        const auto began = std::chrono::steady_clock::now();
        ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("at-once.sqlite"));
        ASSERT_TRUE(service.started());
        starting_time += std::chrono::steady_clock::now() - began;
        ASSERT_EQ(service.stop(), 0) << "stopped as soon as it listened, start " << i;
    }
    // Earlier, at moments spread over the time a start takes. Before its main begins, the
    // signal's default action ends it, as cleanly, since nothing is open yet; once it has taken
    // the signal, only a clean exit will do.
    constexpr int early = 20;
    int taken = 0;
    for (int i = 0; i < early; ++i) {
        ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("early.sqlite"), {},
                               StartWait::none);
        std::this_thread::sleep_for(starting_time / at_once * i / early);
        const bool took_it = takes_stop_signal(service.pid());
        const int status = service.stop();
        if (took_it) {
            ++taken;
            EXPECT_EQ(status, 0) << "early stop " << i << " of " << early;
        } else {
            EXPECT_TRUE(status == 0 || status == 128 + SIGTERM)
                << "early stop " << i << " of " << early << ": status " << status;
        }
    }
    std::printf("%d of %d early stops came after the service had taken the signal\n", taken, early);
}

} // namespace
