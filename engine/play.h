// The player's side of the engine: clicks and moves, tests and rounds, score and cursor.
#pragma once

#include <cstdint>

// engine/board_click.cpp: clicks on the board.
// A left-button release at a client position of the board window.
void click_board_at(int x, int y);
// Marks with 1 every empty cell reachable from (column, row) through empty cells.
void mark_reachable(int column, int row);

// engine/test_flow.cpp: tests and rounds.
// New: the settings read from the panel, the panel in its running phase, a test started with
// the generator seeded from the clock.
void new_test();
// New with the generator's whole state given: the results service seeds all 64 bits from a
// secret source, since a clock or 32 bits can be searched from the first board.
void new_test_from(uint64_t random_state);
void read_colour_count();
void start_test(uint64_t random_state);
// A round ends; after the last one the panel goes into its test-over phase.
void end_round();
// Skip: the current round ends at once.
void skip_round();

// engine/board_reset.cpp: empties all 64 cells on screen and in the state and draws the grid.
void reset_board();

// engine/score_display.cpp: the score and the board cursor.
void show_score();
// The cross over the board while the next line ends the round, else the arrow.
void choose_board_cursor();
