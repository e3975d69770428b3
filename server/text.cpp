// Texts of the service: its own are UTF-8 (u8 literals, whatever code page narrow literals
// get), the player's arrive in code page 1251.
#include "server/text.h"

#include "engine/accuracy_text.h"
#include "record/field_display.h"

#include <ctime>

std::string utf8_from_cp1251(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (char c : text) {
        utf8 += cp1251_to_utf8(static_cast<unsigned char>(c));
    }
    return utf8;
}

std::string shown_accuracy(int32_t lines, int32_t moves) {
    const std::string padded = accuracy_text(lines, moves);
    return padded.substr(padded.find_first_not_of(' '));
}

std::string utc_day(int64_t seconds, const char* format) {
    const std::time_t time = std::time_t(seconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, format, &utc));
}
