// The access log: one line per answer on standard output, with no query and no header in it,
// since a result link's query carries the player's private fields.
#include "server/http/access_log.h"

#include <cstdio>
#include <ctime>

namespace {

// Enough for every address the service has; a longer path is an attack, not a page.
constexpr size_t longest_logged_path = 256;

void append_escaped(std::string& line, std::string_view text, size_t most) {
    if (text.empty()) {
        line += '-';
        return;
    }
    static constexpr char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < text.size() && i < most; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c >= 0x7f || c == '"' || c == '\\' || c == '%') {
            line += '%';
            line += hex[c >> 4];
            line += hex[c & 15];
        } else {
            line += char(c);
        }
    }
    if (text.size() > most) {
        line += "...";
    }
}

// "2026-05-01T12:00:00.123Z ": UTC, to the millisecond.
void append_time(std::string& line, std::chrono::system_clock::time_point at) {
    const auto since_epoch = at.time_since_epoch();
    const std::time_t seconds =
        std::time_t(std::chrono::duration_cast<std::chrono::seconds>(since_epoch).count());
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char time_text[40];
    const size_t time_length =
        std::strftime(time_text, sizeof time_text, "%Y-%m-%dT%H:%M:%S", &utc);
    line.append(time_text, time_length);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03dZ ", int(milliseconds));
    line += fraction;
}

} // namespace

std::string access_line(const AccessEntry& entry) {
    std::string line;
    line.reserve(128);
    append_time(line, entry.at);
    append_escaped(line, entry.client, 64);
    line += ' ';
    append_escaped(line, entry.method, 32);
    line += ' ';
    append_escaped(line, entry.target.substr(0, entry.target.find('?')), longest_logged_path);
    line += ' ';
    line += std::to_string(entry.status);
    line += ' ';
    line += std::to_string(entry.bytes);
    char duration[32];
    std::snprintf(duration, sizeof duration, " %.3fms\n", double(entry.duration.count()) / 1000.0);
    line += duration;
    return line;
}

std::string dropped_lines_note(std::chrono::system_clock::time_point at, size_t dropped) {
    std::string line;
    append_time(line, at);
    line += std::to_string(dropped);
    line += dropped == 1 ? " line dropped\n" : " lines dropped\n";
    return line;
}
