// The browser test's page as a browser first fetches it: the page and every file it names, each
// as sent to a browser that takes gzip, and as it is.
#include "tests/bench/server/page_weight.h"

#include "tests/bench/server/child_run.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr std::chrono::seconds answer_wait{30};

std::string body_of(int port, const std::string& path, bool gzip) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(answer_wait);
    client.set_read_timeout(answer_wait);
    client.set_decompress(false);
    const httplib::Headers headers =
        gzip ? httplib::Headers{{"Accept-Encoding", "gzip"}} : httplib::Headers{};
    const httplib::Result answer = client.Get(path, headers);
    if (!answer || answer->status != 200) {
        throw BenchFailure{"no " + path + " for the page's weight"};
    }
    return answer->body;
}

bool file_name_character(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
}

// Every "/play/<name>" in a text whose name has a dot: a file, not one of the test's requests.
std::vector<std::string> named_files(const std::string& text) {
    std::vector<std::string> found;
    const std::string mark = "/play/";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
        size_t end = at + mark.size();
        while (end < text.size() && file_name_character(text[end])) {
            ++end;
        }
        const std::string name = text.substr(at + mark.size(), end - at - mark.size());
        if (name.find('.') != std::string::npos) {
            found.push_back(mark + name);
        }
    }
    return found;
}

} // namespace

std::vector<PageFile> fetch_page_files(int port) {
    std::vector<PageFile> files;
    std::vector<std::string> waiting = {"/play"};
    while (!waiting.empty()) {
        const std::string path = waiting.back();
        waiting.pop_back();
        if (std::any_of(files.begin(), files.end(),
                        [&path](const PageFile& file) { return file.path == path; })) {
            continue;
        }
        PageFile file{path, body_of(port, path, false), body_of(port, path, true).size()};
        for (const std::string& named : named_files(file.plain)) {
            waiting.push_back(named);
        }
        files.push_back(std::move(file));
    }
    return files;
}
