// The player's side of the engine: clicks and moves, tests and rounds, score and cursor.
#pragma once

// A left-button release at a client position of the board window.
void on_board_click(int x, int y);
// Marks with 1 every empty cell reachable from (column, row) through empty cells.
void mark_reachable(int column, int row);

void on_new();
void read_colour_count();
void start_test();
void end_round();
void on_skip();

void show_score();
void update_cursor();
