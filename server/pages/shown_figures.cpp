// A result's figures as the pages and the export show them.
#include "server/pages/shown_figures.h"

#include "engine/accuracy_text.h"

#include <ctime>

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
