// Records shared by the record tests: a typical one and one with every field at its longest.
#pragma once

#include "engine/game_state.h"
#include "record/settings_record.h"

#include <climits>
#include <string>

inline GameState settings_of(int32_t balls, int32_t colours, int32_t rounds, int32_t lines,
                             int32_t moves) {
    GameState state{};
    state.initial_ball_count = balls;
    state.colour_count = colours;
    state.round_count = rounds;
    state.lines_per_round = lines;
    state.total_moves = moves;
    return state;
}

// Every number at its longest in "%d" and every text at its edit's limit, Cyrillic included.
inline GameState longest_settings() {
    return settings_of(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN);
}

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
