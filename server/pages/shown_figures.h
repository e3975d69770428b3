// A result's figures as the pages and the export show them.
#pragma once

#include <cstdint>
#include <string>

// Lines per 1000 moves as the program shows them, without the display's padding.
std::string shown_accuracy(int32_t lines, int32_t moves);

// The day of a time in seconds since 1970, UTC, in a strftime format ("%d.%m.%Y").
std::string utc_day(int64_t seconds, const char* format);
