// The access log: one line per answer on standard output, with no query and no header in it,
// since a result link's query carries the player's private fields.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

struct AccessEntry {
    std::chrono::system_clock::time_point at; // when the request began
    std::string_view client;                  // the address, as the service counts it
    std::string_view method;                  // "-" when no request was read
    std::string_view target;                  // as sent; only its path is logged
    int status = 0;
    size_t bytes = 0; // sent, headers included
    std::chrono::microseconds duration{};
};

// "2026-05-01T12:00:00.123Z 203.0.113.7 GET /records 200 5120 0.412ms\n". A byte of the
// method or path outside printable ASCII, and a space, quote, backslash or percent sign, is
// written %XX, so a client can neither split a line nor forge a field; a long path is cut.
std::string access_line(const AccessEntry& entry);

// The log's line saying that lines were dropped because its reader did not keep up:
// "2026-05-01T12:00:05.000Z 1234 lines dropped\n", timed when it is written.
std::string dropped_lines_note(std::chrono::system_clock::time_point at, size_t dropped);
