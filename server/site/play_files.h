// The browser test's page and files, built into the service: each kept plain and gzipped,
// named with a version of its content, so that a browser keeps it until it changes.
#pragma once

#include "server/http/http_server.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// What the build embeds (cmake/embed_files.cmake).
struct EmbeddedFile {
    const char* name;
    const unsigned char* bytes;
    size_t size;
};
extern const EmbeddedFile embedded_play_files[];
extern const size_t embedded_play_file_count;

struct PlayFile {
    std::string name;
    std::string content_type;
    std::shared_ptr<const std::string> plain;
    std::shared_ptr<const std::string> gzipped; // none when compressing does not pay
    // 16 hexadecimal digits of its content's hash: its ETag, and the query (v=...) under
    // which it never changes. The page's own references carry it.
    std::string version;
};

// The file at /play (the page) or /play/<name>; none for another path.
const PlayFile* play_file(std::string_view path);
// Its answer: 304 for the version the browser has, else the file, gzipped where the browser
// takes it; kept for a year under its version's query, revalidated otherwise.
HttpAnswer play_file_answer(const PlayFile& file, const HttpRequest& request);

// The page's Content-Security-Policy: its own script and WebAssembly, its own style, and
// requests to the service alone.
extern const char* const play_page_policy;
