// Clicks on the board: selecting a ball, moving it, and what a scoring move brings.
#include "engine/game_state.h"
#include "engine/play.h"
#include "engine/reachability.h"
#include "render/board_drawing.h"
#include "render/geometry.h"

namespace {

void draw_ball_in_cell(int column, int row, int colour, BallStyle style) {
    draw_ball(cell_centre_x(column), cell_centre_y(row), colour, style, BallSize::board);
}

void select_ball(int column, int row) {
    if (game.selection_active == 1) {
        draw_ball_in_cell(game.selected_column, game.selected_row, game.selected_value - 1,
                          BallStyle::normal);
    }
    for (uint8_t& mark : game.marks) {
        mark = 0;
    }
    game.selected_column = int8_t(column);
    game.selected_row = int8_t(row);
    game.selected_value = game.board[cell_index(column, row)];
    game.selection_active = 1;
    draw_ball_in_cell(column, row, game.selected_value - 1, BallStyle::selected);
    mark_reachable(column, row);
}

void move_selected_ball(int column, int row) {
    erase_cell(cell_centre_x(game.selected_column), cell_centre_y(game.selected_row));
    draw_ball_in_cell(column, row, game.selected_value - 1, BallStyle::normal);
    game.selection_active = 0;
    game.board[cell_index(game.selected_column, game.selected_row)] = 0;
    game.board[cell_index(column, row)] = game.selected_value;
    ++game.total_moves;
    show_score();

    if (!remove_lines()) {
        return; // a move that makes no line brings no balls
    }
    game.scoring_enabled = 0;
    if (game.lines_this_round >= game.settings.lines_per_round) {
        end_round(); // the next round's fill turns scoring on again
        return;
    }
    // This order fixes the order of the random numbers: preview cells, new preview, top-up.
    place_preview_balls();
    draw_new_preview();
    if (game.ball_count < game.settings.initial_ball_count) {
        refill_board();
    }
    game.scoring_enabled = 1;
}

} // namespace

void click_board_at(int x, int y) {
    if (geometry.cell_size <= 0) {
        return; // no layout yet
    }
    const int dx = x - geometry.grid_left;
    const int dy = y - geometry.grid_top;
    if (dx < 0 || dy < 0) {
        return;
    }
    const int column = dx / geometry.cell_size;
    const int row = dy / geometry.cell_size;
    if (column > 7 || row > 7 || game.current_round > game.settings.round_count) {
        return;
    }

    const int cell = cell_index(column, row);
    if (game.board[cell] != 0) {
        const bool already_selected = game.selection_active == 1 &&
                                      game.selected_column == column && game.selected_row == row;
        if (!already_selected) {
            select_ball(column, row);
        }
        return;
    }
    if (game.selection_active == 1 && game.marks[cell] == mark_reachable_cell) {
        move_selected_ball(column, row);
    }
}

void mark_reachable(int column, int row) { mark_reachable_on(game.board, game.marks, column, row); }
