// The page at /download: what the program for Windows is, and its file when the operator offers
// one, with the size and the SHA-256 that its read-me asks a player to compare.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The file offered, as the page describes it.
struct OfferedProgram {
    std::string file_name; // only characters that stand in an address as they are
    int64_t bytes = 0;
    std::string sha256; // 64 lowercase hexadecimal digits
};

// Where the file is served: /download/<its name>.
std::string download_file_path(std::string_view file_name);
// A size as the page shows it: bytes below a KB, whole KB (rounded up) below a MB, then MB with
// one decimal and the decimal comma.
std::string shown_size(int64_t bytes);
// None: the program is not offered on this server.
std::string download_page(const std::optional<OfferedProgram>& offered);
