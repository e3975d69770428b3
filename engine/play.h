// The player's side of the engine: clicks and moves, tests and rounds, score and cursor.
#pragma once

// A left-button release at a client position of the board window.
void click_board_at(int x, int y);
// Marks with 1 every empty cell reachable from (column, row) through empty cells.
void mark_reachable(int column, int row);

// New: the settings read from the panel, the settings controls locked, a test started.
void new_test();
void read_colour_count();
void start_test();
void end_round();
// The settings controls: the ball-count list, Rounds, Lines and the colour radios, "2" only
// where two colours are allowed when enabling. True if the last radio was disabled before.
bool enable_settings_controls(bool enabled);
// Skip: the current round ends at once.
void skip_round();
// Empties all 64 cells on screen and in the state and draws the grid.
void reset_board();

void show_score();
// The cross over the board while the next line ends the round, else the arrow.
void choose_board_cursor();
