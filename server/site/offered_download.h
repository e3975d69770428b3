// The program's file an operator offers at /download/<its name>: read once at the start,
// bounded in size, and served whole from memory with its SHA-256 as its ETag.
#pragma once

#include "server/http/http_server.h"
#include "server/pages/download_page.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// The largest file offered. A release zip is a few hundred KB; the file is held once in memory
// and shared by every answer, so this bounds what the offer costs however many download it.
constexpr int64_t most_download_bytes = int64_t(64) << 20;

struct OfferedDownload {
    OfferedProgram program; // its name, size and SHA-256, as the page shows them
    std::string content_type;
    std::shared_ptr<const std::string> bytes;
};

// Why a file cannot be offered, in one line.
struct DownloadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The file read whole. Throws DownloadError when it cannot be read, is no regular file, is
// larger than most_download_bytes, or has a name that cannot stand in an address as it is.
OfferedDownload read_offered_download(const std::string& path);

// Its answer: 304 for the version the browser has, else the whole file as an attachment, which
// a browser asks again about before it uses a copy it kept.
HttpAnswer download_answer(const OfferedDownload& file, const HttpRequest& request);
