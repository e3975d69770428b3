// A fresh board: every cell emptied on screen and in the state, then the grid.
#include "engine/game_state.h"
#include "engine/play.h"
#include "render/board_drawing.h"
#include "render/geometry.h"

void reset_board() {
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            erase_cell(cell_centre_x(c), cell_centre_y(r));
            game.board[cell_index(c, r)] = 0;
        }
    }
    game.ball_count = 0;
    game.lines_this_round = 0;
    draw_grid();
}
