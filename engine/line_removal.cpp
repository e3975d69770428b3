// Finds every run of five or more balls of one colour and removes it.
#include "engine/game_state.h"
#include "engine/play.h"
#include "render/board_drawing.h"
#include "render/geometry.h"

namespace {

// Marks the five cells from (c, r) in direction (dc, dr) if they all hold v.
void mark_if_line(int c, int r, int dc, int dr, uint8_t v) {
    for (int k = 1; k < 5; ++k) {
        if (game.board[cell_index(c + k * dc, r + k * dr)] != v) {
            return;
        }
    }
    for (int k = 0; k < 5; ++k) {
        game.marks[cell_index(c + k * dc, r + k * dr)] = mark_in_line;
    }
}

void return_to_free_list(int c, int r) {
    // The list is rebuilt before every use; outside a fill it may only grow stale, never overflow.
    if (game.free_last >= board_cells - 1) {
        return;
    }
    ++game.free_last;
    game.free_columns[game.free_last] = int8_t(c);
    game.free_rows[game.free_last] = int8_t(r);
}

} // namespace

int remove_lines() {
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            const uint8_t v = game.board[cell_index(c, r)];
            if (v == 0) {
                continue;
            }
            if (c <= 3) {
                mark_if_line(c, r, 1, 0, v);
            }
            if (r <= 3) {
                mark_if_line(c, r, 0, 1, v);
            }
            if (c <= 3 && r <= 3) {
                mark_if_line(c, r, 1, 1, v);
            }
            if (c >= 4 && r <= 3) {
                mark_if_line(c, r, -1, 1, v);
            }
        }
    }

    int removed = 0;
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            const int i = cell_index(c, r);
            if (game.marks[i] != mark_in_line) {
                continue;
            }
            if (game.scoring_enabled == 0) {
                return_to_free_list(c, r);
            }
            erase_cell(cell_centre_x(c), cell_centre_y(r));
            --game.ball_count;
            game.board[i] = 0;
            game.marks[i] = 0;
            show_score();
            removed = 1;
        }
    }

    if (removed && game.scoring_enabled == 1) {
        ++game.total_lines;
        ++game.lines_this_round;
        show_score();
    }
    return removed;
}
