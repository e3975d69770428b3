// Draws the board from the engine's state through the same drawing calls the engine makes.
#include "web/board_repaint.h"

#include "engine/game_state.h"
#include "render/board_drawing.h"
#include "render/geometry.h"

void repaint_board() {
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            const uint8_t value = game.board[cell_index(c, r)];
            if (value == 0) {
                erase_cell(cell_centre_x(c), cell_centre_y(r));
                continue;
            }
            const bool selected =
                game.selection_active == 1 && game.selected_column == c && game.selected_row == r;
            draw_ball(cell_centre_x(c), cell_centre_y(r), value - 1,
                      selected ? BallStyle::selected : BallStyle::normal, BallSize::board);
        }
    }
    draw_grid();
    for (int i = 0; i < preview_slots; ++i) {
        if (i < game.preview_count) {
            draw_ball(preview_centre_x(), preview_centre_y(i), game.preview_colours[i],
                      BallStyle::normal, BallSize::preview);
        } else {
            erase_cell(preview_centre_x(), preview_centre_y(i));
        }
    }
}
