// The automatic side of play: round-start fill, top-up, preview balls and a new preview.
#include "engine/game_state.h"
#include "engine/panel_access.h"
#include "engine/play.h"
#include "render/board_drawing.h"
#include "render/geometry.h"

namespace {

// A choice among n things. A number is drawn even for a nonsensical n, so the sequence
// of random numbers never depends on it.
int choose(int n) {
    const int32_t v = rng_next();
    return n > 0 ? v % n : 0;
}

void put_ball(int c, int r, int colour) {
    game.board[cell_index(c, r)] = uint8_t(colour + 1);
    ++game.ball_count;
    show_score();
    draw_ball(cell_centre_x(c), cell_centre_y(r), colour, BallStyle::normal, BallSize::board);
}

bool board_has_empty_cell() {
    for (uint8_t v : game.board) {
        if (v == 0) {
            return true;
        }
    }
    return false;
}

void fill_up_to_initial_count() {
    while (game.ball_count < game.settings.initial_ball_count && game.free_last >= 0) {
        place_random_ball();
    }
}

} // namespace

void start_round_fill() {
    show_score();
    for (int k = 0; k < board_cells; ++k) {
        game.free_columns[k] = int8_t(k / 8);
        game.free_rows[k] = int8_t(k % 8);
    }
    game.free_last = board_cells - 1;
    game.scoring_enabled = 0;
    fill_up_to_initial_count();
    game.scoring_enabled = 1;
    draw_new_preview();
    game.selection_active = 0;
}

void refill_board() {
    // Empty cells first, in scan order; occupied ones after them, beyond free_last.
    int empty = 0;
    int occupied = board_cells - game.ball_count;
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            int& slot = game.board[cell_index(c, r)] == 0 ? empty : occupied;
            if (slot >= 0 && slot < board_cells) {
                game.free_columns[slot] = int8_t(c);
                game.free_rows[slot] = int8_t(r);
            }
            ++slot;
        }
    }
    game.free_last = empty - 1;
    fill_up_to_initial_count();
}

int place_random_ball() {
    if (game.free_last < 0) {
        return 0;
    }
    const int k = choose(game.free_last + 1);
    const int c = game.free_columns[k];
    const int r = game.free_rows[k];
    if (k != game.free_last) {
        game.free_columns[k] = game.free_columns[game.free_last];
        game.free_rows[k] = game.free_rows[game.free_last];
        game.free_columns[game.free_last] = int8_t(c);
        game.free_rows[game.free_last] = int8_t(r);
    }
    --game.free_last;

    if (game.board[cell_index(c, r)] != 0) {
        show_consistency_message();
    }
    put_ball(c, r, choose(game.settings.colour_count));
    return remove_lines();
}

int place_preview_balls() {
    for (int i = 0; i < preview_slots && board_has_empty_cell(); ++i) {
        int c = 0;
        int r = 0;
        do {
            c = choose(8);
            r = choose(8);
        } while (game.board[cell_index(c, r)] != 0);
        put_ball(c, r, game.preview_colours[i]);
    }
    return remove_lines();
}

void draw_new_preview() {
    const int free_cells = board_cells - game.ball_count;
    game.preview_count = free_cells < preview_slots ? free_cells : preview_slots;
    choose_board_cursor();
    for (int i = 0; i < preview_slots; ++i) {
        if (i < game.preview_count) {
            const int colour = choose(game.settings.colour_count);
            game.preview_colours[i] = colour;
            draw_ball(preview_centre_x(), preview_centre_y(i), colour, BallStyle::normal,
                      BallSize::preview);
        } else {
            erase_cell(preview_centre_x(), preview_centre_y(i));
        }
    }
}
