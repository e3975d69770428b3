// The one global engine record: settings, counters, board, ball supply, selection, randomness.
#pragma once

#include "engine/test_settings.h"

#include <cstdint>

constexpr int board_cells = 64;
constexpr int preview_slots = 5;
constexpr uint8_t mark_reachable_cell = 1;
constexpr uint8_t mark_in_line = 255;

inline int cell_index(int column, int row) { return column * 8 + row; }

struct GameState {
    // Test settings: from the stored record at start, from the panel at New.
    TestSettings settings;

    // Progress.
    int32_t current_round;
    int32_t lines_this_round;
    int32_t total_lines;
    int32_t total_moves;
    int32_t ball_count;

    // 0 = empty, else colour index + 1; indexed column * 8 + row.
    uint8_t board[board_cells];
    uint8_t marks[board_cells];

    // Empty cells while balls are placed automatically: entries 0..free_last.
    int8_t free_columns[board_cells];
    int8_t free_rows[board_cells];
    int32_t free_last;

    int32_t preview_colours[preview_slots];
    int32_t preview_count;

    // 1 while a player's move is judged: a removal counts as a line.
    int32_t scoring_enabled;

    int32_t selection_active;
    int8_t selected_column;
    int8_t selected_row;
    uint8_t selected_value;

    uint64_t random_state;
};

// engine/game_state.cpp: the record and the state at program start.
extern GameState game;
void reset_game_state();

// engine/random_source.cpp: the random generator. A seed gives only 2^32 of its states.
uint64_t seeded_random_state(uint32_t seed);
void rng_seed(uint32_t seed);
int32_t rng_next();

// engine/ball_supply.cpp: the round-start fill, the top-up and the preview.
void start_round_fill();
void refill_board();
int place_random_ball();
int place_preview_balls();
void draw_new_preview();

// engine/line_removal.cpp: every line of five or more removed; 1 if there was one.
int remove_lines();
