// The program's file an operator offers at /download/<its name>: read once at the start,
// bounded in size, and served whole from memory with its SHA-256 as its ETag.
#include "server/site/offered_download.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace {

struct FileType {
    std::string_view extension; // in lowercase; a name's is compared in any case
    const char* content_type;
};
constexpr FileType file_types[] = {
    {".zip", "application/zip"},
    {".exe", "application/vnd.microsoft.portable-executable"},
};

std::string content_type_of(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
    for (const FileType& type : file_types) {
        if (lower.ends_with(type.extension)) {
            return type.content_type;
        }
    }
    return "application/octet-stream";
}

// Letters, digits and . _ + - stand in a path as they are, and in a quoted file name of
// Content-Disposition too; a leading dot would make a hidden file of the download.
bool plain_name(std::string_view name) {
    return !name.empty() && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' ||
                      c == '+' || c == '-';
           });
}

std::string sha256_hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        throw DownloadError("cannot compute a SHA-256");
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return hex;
}

} // namespace

OfferedDownload read_offered_download(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string refused = "cannot offer " + path + ": ";
    const std::string name = fs::path(path).filename().string();
    if (!plain_name(name)) {
        throw DownloadError(refused + "its name may hold only letters, digits and . _ + -");
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error) {
        throw DownloadError(refused + error.message());
    }
    if (!fs::is_regular_file(status)) {
        throw DownloadError(refused + "it is no regular file");
    }
    const uintmax_t size = fs::file_size(path, error);
    if (error) {
        throw DownloadError(refused + error.message());
    }
    if (size > uintmax_t(most_download_bytes)) {
        throw DownloadError(refused + "it has " + std::to_string(size) + " bytes, more than " +
                            std::to_string(most_download_bytes) + " (" +
                            std::to_string(most_download_bytes >> 20) + " MiB)");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw DownloadError(refused + std::generic_category().message(errno));
    }
    // One byte more than its size, to see that it did not grow while it was read.
    std::string bytes(size_t(size) + 1, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    if (in.bad() || uintmax_t(in.gcount()) != size) {
        throw DownloadError(refused + "it changed while it was read");
    }
    bytes.resize(size_t(size));
    OfferedDownload file;
    file.program = {name, int64_t(size), sha256_hex(bytes)};
    file.content_type = content_type_of(name);
    file.bytes = std::make_shared<const std::string>(std::move(bytes));
    return file;
}

HttpAnswer download_answer(const OfferedDownload& file, const HttpRequest& request) {
    HttpAnswer answer;
    // The checksum the page publishes is the tag: a new file under the same name is a new tag.
    answer.headers = {{"ETag", "\"" + file.program.sha256 + "\""}, {"Cache-Control", "no-cache"}};
    if (request.if_none_match.find(file.program.sha256) != std::string_view::npos ||
        request.if_none_match == "*") {
        answer.status = 304;
        return answer;
    }
    answer.headers.emplace_back("Content-Type", file.content_type);
    answer.headers.emplace_back("Content-Disposition",
                                "attachment; filename=\"" + file.program.file_name + "\"");
    answer.body = file.bytes;
    return answer;
}
