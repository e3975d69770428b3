// The program offered at /download by the real service: the page with its checksum, the file
// whole as an attachment, HEAD without the body, a kept copy revalidated, a crowd that never
// reads it holding one copy and closed at the request time, and a start refused in one line for
// a file it cannot offer.
#include "tests/server/process_memory.h"
#include "tests/server/raw_client.h"
#include "tests/server/service_fixture.h"
#include "tests/support/command_run.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr const char* zip_name = "trivelle-1.2.3-win32.zip";
const std::string zip_path = std::string("/download/") + zip_name;

// 300,000 bytes of every value: a text-mode read, or one that stops at a zero byte, shows.
std::string program_bytes() {
    std::string bytes;
    for (int i = 0; i < 300000; ++i) {
        bytes += char((i * 7 + i / 256) & 0xFF);
    }
    return bytes;
}

struct DownloadServed : ServiceTest {
    std::string file = folder.path(zip_name);
    DownloadServed() {
        std::ofstream(file, std::ios::binary) << program_bytes();
        options = {"--download", file};
    }
    // The checksum as sha256sum computes it.
    std::string sha256() const {
        return run_command("sha256sum '" + file + "'").output.substr(0, 64);
    }
};

TEST_F(DownloadServed, ThePageOffersTheFileWithItsSizeAndChecksum) {
    const Answer page = get("/download");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.header("Content-Type"), "text/html; charset=utf-8");
    const std::string checksum = sha256();
    ASSERT_EQ(checksum.size(), 64u);
    for (const std::string& said : {"<a href=\"" + zip_path + "\" download>",
                                    utf8_text(u8"(293 КБ)"), "<p class=\"hash\">" + checksum}) {
        EXPECT_NE(page.body.find(said), std::string::npos) << said;
    }
}

TEST_F(DownloadServed, TheFileIsServedWholeAsAnAttachmentAndAKeptCopyIsRevalidated) {
    const std::string etag = "\"" + sha256() + "\"";
    struct Case {
        const char* name;
        bool head;
        std::string path;
        std::string if_none_match;
        int status;
    };
    const Case cases[] = {
        {"GET", false, zip_path, "", 200},
        {"HEAD", true, zip_path, "", 200},
        {"a kept copy", false, zip_path, etag, 304},
        {"a kept copy, asked by HEAD", true, zip_path, etag, 304},
        {"another copy", false, zip_path, "\"0123456789abcdef\"", 200},
        {"another name", false, "/download/trivelle-1.2.4-win32.zip", "", 404},
        {"below it", false, zip_path + "/", "", 404},
        {"the folder", false, "/download/", "", 404},
    };
    const std::string whole = program_bytes();
    for (const Case& c : cases) {
        httplib::Headers headers;
        if (!c.if_none_match.empty()) {
            headers.emplace("If-None-Match", c.if_none_match);
        }
        httplib::Client client = service->client();
        const httplib::Result result =
            c.head ? client.Head(c.path, headers) : client.Get(c.path, headers);
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, c.status) << c.name;
        if (c.status == 404) {
            continue;
        }
        EXPECT_EQ(result->get_header_value("ETag"), etag) << c.name;
        EXPECT_EQ(result->get_header_value("Cache-Control"), "no-cache") << c.name;
        if (c.status == 304) {
            EXPECT_EQ(result->body, "") << c.name;
            continue;
        }
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/zip") << c.name;
        EXPECT_EQ(result->get_header_value("Content-Disposition"),
                  std::string("attachment; filename=\"") + zip_name + "\"")
            << c.name;
        EXPECT_EQ(result->get_header_value("Content-Length"), "300000") << c.name;
        EXPECT_TRUE(c.head ? result->body.empty() : result->body == whole) << c.name;
    }
}

// Every download shares the file the service read at its start: a crowd that asks for it and
// never reads holds the service's memory no more than its connections do, and each is closed
// once the request time has passed, as any answer's reader is.
TEST(DownloadCrowd, ClientsThatNeverReadTheFileShareOneCopyAndAreClosedAtTheRequestTime) {
    constexpr int file_mib = 8;
    constexpr int crowd = 30; // within the 32 connections of one address
    constexpr std::chrono::seconds request_time{2};
    TemporaryFolder folder;
    const std::string file = folder.path("large.zip");
    std::ofstream(file, std::ios::binary) << std::string(size_t(file_mib) << 20, 'z');
    ServiceProcess service(
        TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"),
        {"--download", file, "--request-timeout", std::to_string(request_time.count())});
    ASSERT_TRUE(service.started());
    ASSERT_EQ(get(service, "/download/large.zip").status, 200) << "warm";
    const long idle_kib = resident_memory(service.pid()).now_kib;

    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < crowd; ++i) {
        // A small window: the service can hand each only a few KiB before it must wait.
        clients.push_back(std::make_unique<RawClient>("127.0.0.2", service.port(), 4096));
        ASSERT_TRUE(clients.back()->connected()) << i;
        clients.back()->send("GET /download/large.zip HTTP/1.1\r\nHost: x\r\n\r\n");
    }
    EXPECT_EQ(get(service, "/rules").status, 200) << "an ordinary client meanwhile";
    // A copy for each would be crowd × file_mib = 240 MiB; the connections' own buffers and the
    // sanitizers' bookkeeping stay far below a copy's worth of four.
    const long grown_kib = resident_memory(service.pid()).peak_kib - idle_kib;
    std::printf("a crowd of %d never reading: peak %ld KiB over the idle %ld KiB\n", crowd,
                grown_kib, idle_kib);
    EXPECT_LT(grown_kib, 4 * file_mib * 1024) << "peak " << grown_kib << " KiB over the idle";

    std::this_thread::sleep_for(request_time);
    const Clock::time_point deadline = Clock::now() + 10s;
    int closed = 0;
    for (auto& client : clients) {
        while (!client->closed() && Clock::now() < deadline) {
            client->receive(100ms);
        }
        closed += client->closed() ? 1 : 0;
    }
    EXPECT_EQ(closed, crowd) << "held past the request time";
}

using DownloadNotOffered = ServiceTest;

TEST_F(DownloadNotOffered, ThePageSaysSoAndNoFileIsServed) {
    const Answer page = get("/download");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find(utf8_text(u8"программа не предлагается")), std::string::npos);
    EXPECT_EQ(get(zip_path).status, 404);
}

// The service's standard output and error together, and its exit status, with --download.
CommandRun run_offering(const std::string& db, const std::string& file) {
    return run_command("timeout 60 " + std::string(TRIVELLE_RESULTS_SERVICE) + " --port 0 --db '" +
                       db + "' --download '" + file + "' 2>&1");
}

TEST(DownloadStart, AFileItCannotOfferStopsTheStartInOneLine) {
    TemporaryFolder folder;
    const std::string db = folder.path("results.sqlite");
    const std::string too_large = folder.path("too-large.zip");
    std::ofstream(too_large).close();
    std::filesystem::resize_file(too_large, (64 << 20) + 1); // sparse: nothing is written
    const std::string spaced = folder.path("the program.zip");
    std::ofstream(spaced) << "zip";
    const std::string hidden = folder.path(".trivelle.zip");
    std::ofstream(hidden) << "zip";
    const std::pair<std::string, std::string> cases[] = {
        {folder.path("missing.zip"), "No such file or directory"},
        {folder.path(""), "its name may hold only letters, digits and . _ + -"},
        {folder.path("."), "its name may hold only letters, digits and . _ + -"},
        {spaced, "its name may hold only letters, digits and . _ + -"},
        {hidden, "its name may hold only letters, digits and . _ + -"},
        {too_large, "it has 67108865 bytes, more than 67108864 (64 MiB)"},
    };
    for (const auto& [file, reason] : cases) {
        const CommandRun run = run_offering(db, file);
        EXPECT_EQ(run.exit_code, 1) << file;
        EXPECT_EQ(run.output, "trivelle-results: cannot offer " + file + ": " + reason + "\n");
    }
    const std::string folder_named_zip = folder.path("folder.zip");
    std::filesystem::create_directory(folder_named_zip);
    const CommandRun run = run_offering(db, folder_named_zip);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.output,
              "trivelle-results: cannot offer " + folder_named_zip + ": it is no regular file\n");
}

TEST(DownloadStart, AFileOfTheLargestSizeIsOffered) {
    TemporaryFolder folder;
    const std::string largest = folder.path("largest.zip");
    std::ofstream(largest).close();
    std::filesystem::resize_file(largest, 64 << 20);
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"),
                           {"--download", largest});
    ASSERT_TRUE(service.started());
    httplib::Client client = service.client();
    const httplib::Result head = client.Head("/download/largest.zip");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->get_header_value("Content-Length"), "67108864");
    EXPECT_EQ(service.stop(), 0);
}

} // namespace
