// The board as the referee has shown it, the player's selection on it and the one move on
// its way to the referee. The view plays nothing: what follows a move comes in the answer.
#pragma once

#include <cstdint>
#include <optional>

struct WantedMove {
    int from_column = 0;
    int from_row = 0;
    int to_column = 0;
    int to_row = 0;
};

// No board shown yet and no test running: clicks change nothing.
void reset_board_view();

// An answer's steps, drawn at once. A new board empties every cell and draws the grid; a
// colour counts from 0, and -1 empties a preview slot. False, with nothing changed, for a
// cell, slot or colour outside the board's.
void show_new_board();
bool put_view_ball(int column, int row, int colour);
bool take_view_ball(int column, int row);
bool set_view_preview(int slot, int colour);

// The answer is applied: the move it answered is settled, and the board takes clicks again
// unless the test is over.
void settle_view(bool over);

// A click at a screen pixel of the program's layout, judged as the program judges it: a ball
// is selected (drawn in the selected style), another ball takes the selection over, and an
// empty cell the selected ball can reach gives the wanted move, drawn at once (the ball leaves
// its cell for the target). Then no click counts until the answer is settled or the move is
// taken back. Anything else, or a click before a test or after it, changes nothing.
std::optional<WantedMove> click_view_at(int x, int y);

// The wanted move undone, for an answer that never came or refused it: the ball is back in
// its cell, unselected. False without a move on its way.
bool take_back_view_move();

// The board drawn whole again, for a canvas laid out anew; nothing before the first board.
void repaint_view();

// What the view holds: 0 for an empty cell, else colour + 1; -1 for an empty preview slot.
int view_cell(int column, int row);
int view_preview(int slot);
bool view_selected(int column, int row);
