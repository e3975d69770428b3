// Records shared by the record tests: a typical one and one with every field at its longest.
#pragma once

#include "record/settings_record.h"

#include <climits>
#include <string>

inline TestSettings settings_of(int32_t balls, int32_t colours, int32_t rounds, int32_t lines) {
    return {balls, colours, rounds, lines};
}

// Every number at its longest in "%d" and every text at its edit's limit, Cyrillic included.
inline TestSettings longest_settings() {
    return settings_of(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN);
}
constexpr int32_t longest_move_count = INT32_MIN;

inline PlayerTexts longest_texts() {
    return {
        std::string(nickname_limit, '\xDF'), // Я
        "ru",
        std::string(city_limit, '\xC6'),        // Ж
        std::string(hidden_text_limit, '\xFF'), // я
        "1999",
        std::string(email_limit, 'm'),
    };
}
