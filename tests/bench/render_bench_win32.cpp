// Times a whole new round, and the clicks of play, on a 1280 x 1024 board against blitting its
// 69 squares, in one run.
#include "engine/game_state.h"
#include "engine/play.h"
#include "panel/panel_win32.h"
#include "render/ball_drawing_win32.h"
#include "render/geometry.h"
#include "render/offscreen_canvas_win32.h"
#include "tests/bench/bench_clock_win32.h"
#include "tests/support/board_runs.h"
#include "tests/win32/test_board_win32.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Square {
    int x, y;
};

std::vector<Square> board_and_preview_squares() {
    std::vector<Square> squares;
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            squares.push_back({cell_centre_x(c), cell_centre_y(r)});
        }
    }
    for (int slot = 0; slot < 5; ++slot) {
        squares.push_back({preview_centre_x(), preview_centre_y(slot)});
    }
    return squares;
}

// The floor: each of the 69 cell squares copied from a memory bitmap to canvas and window.
double blit_squares(HDC source) {
    const int half = geometry.half_cell;
    const int side = 2 * half + 1;
    const double start = now_us();
    for (const Square& s : board_and_preview_squares()) {
        BitBlt(offscreen_canvas.canvas_dc, s.x - half, s.y - half, side, side, source, 0, 0,
               SRCCOPY);
        BitBlt(offscreen_canvas.window_dc, s.x - half, s.y - half, side, side, source, 0, 0,
               SRCCOPY);
    }
    GdiFlush();
    return now_us() - start;
}

unsigned round_number = 0;

double new_round() {
    reset_game_state();
    game.settings.initial_ball_count = 59;
    game.settings.colour_count = 7;
    rng_seed(++round_number);
    const double start = now_us();
    reset_board();
    start_round_fill();
    GdiFlush();
    return now_us() - start;
}

// The same balls drawn call by call, as the plain drawing would on every round.
double plain_balls() {
    const double start = now_us();
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            const uint8_t v = game.board[cell_index(c, r)];
            if (v) {
                draw_ball_directly(cell_centre_x(c), cell_centre_y(r), v - 1, BallStyle::normal,
                                   BallSize::board);
            }
        }
    }
    for (int slot = 0; slot < game.preview_count; ++slot) {
        draw_ball_directly(preview_centre_x(), preview_centre_y(slot), game.preview_colours[slot],
                           BallStyle::normal, BallSize::preview);
    }
    GdiFlush();
    return now_us() - start;
}

// A fresh round of 59 balls rearranged so that moving the ball at (4, 1) up to (4, 0)
// completes a row of five: the cheapest way to a scoring move on a full board.
void set_up_scoring_move(int lines_per_round) {
    do {
        new_round();
        const uint8_t v = game.board[cell_index(0, 0)] ? game.board[cell_index(0, 0)] : 1;
        for (int c = 0; c < 4; ++c) {
            game.board[cell_index(c, 0)] = v;
        }
        game.board[cell_index(4, 0)] = 0;
        game.board[cell_index(4, 1)] = v;
    } while (has_line_of_five(game.board, 0));
    game.ball_count = 0;
    for (uint8_t cell : game.board) {
        game.ball_count += cell != 0;
    }
    game.settings.round_count = 5;
    game.settings.lines_per_round = lines_per_round;
    game.lines_this_round = 0;
    game.current_round = 1;
}

struct ClickTimes {
    double select, move;
};

// Both clicks of a move through the board's click handler, score display included.
ClickTimes scoring_move() {
    const int x = cell_centre_x(4);
    double start = now_us();
    click_board_at(x, cell_centre_y(1));
    GdiFlush();
    const double select = now_us() - start;
    start = now_us();
    click_board_at(x, cell_centre_y(0));
    GdiFlush();
    return {select, now_us() - start};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    if (!open_test_board(1280, 1024, 1.0f)) {
        std::printf("no board window\n");
        return 1;
    }
    const int side = 2 * geometry.half_cell + 1;
    HDC source = CreateCompatibleDC(offscreen_canvas.canvas_dc);
    SelectObject(source, CreateCompatibleBitmap(offscreen_canvas.canvas_dc, side, side));
    PatBlt(source, 0, 0, side, side, WHITENESS);

    const double first_reference = blit_squares(source);
    const double first_round = new_round();
    pump_messages();

    constexpr int runs = 40;
    std::vector<double> references, rounds, plains;
    for (int i = 0; i < runs; ++i) {
        references.push_back(blit_squares(source));
        rounds.push_back(new_round());
        if (i % 4 == 0) {
            plains.push_back(plain_balls());
        }
        pump_messages();
    }
    // Clicks: selecting a ball, a scoring move followed by preview balls and the top-up,
    // and a scoring move that ends the round (the next round's whole fill).
    std::vector<double> selects, moves, round_ends;
    for (int i = 0; i < runs; ++i) {
        set_up_scoring_move(12);
        const ClickTimes move = scoring_move();
        if (game.total_lines == 1 && game.current_round == 1) {
            selects.push_back(move.select);
            moves.push_back(move.move);
        }
        set_up_scoring_move(1);
        const ClickTimes round_end = scoring_move();
        if (game.current_round == 2) {
            round_ends.push_back(round_end.move);
        }
        references.push_back(blit_squares(source));
        pump_messages();
    }

    const double reference = median(references);
    const double round = median(rounds);
    std::printf("board 1280x1024: half_cell %d, ball_radius %d, ring_count %d\n",
                int(geometry.half_cell), int(geometry.ball_radius), int(geometry.ring_count));
    std::printf("reference, 69 squares blitted to canvas and window: %8.0f us (median of %d)\n",
                reference, runs);
    std::printf("new round, reset_board + start_round_fill (59 balls): %8.0f us  ratio %.2f\n",
                round, round / reference);
    std::printf("first round of the run (pictures drawn):             %8.0f us  ratio %.2f\n",
                first_round, first_round / reference);
    std::printf("first reference of the run:                          %8.0f us\n", first_reference);
    std::printf("same 64 balls drawn call by call (plain drawing):    %8.0f us  ratio %.2f\n",
                median(plains), median(plains) / reference);
    if (moves.empty() || round_ends.empty()) {
        std::printf("the scoring moves did not score\n");
        return 1;
    }
    std::printf("click selecting a ball:                              %8.0f us  ratio %.2f\n",
                median(selects), median(selects) / reference);
    std::printf("click making a line, preview balls and top-up:       %8.0f us  ratio %.2f\n",
                median(moves), median(moves) / reference);
    std::printf("click making the round's last line (next round):     %8.0f us  ratio %.2f\n",
                median(round_ends), median(round_ends) / reference);
    std::printf("panel present for the score display:                 %s\n",
                panel_controls.panel ? "yes" : "no");
    close_test_board();
    return 0;
}
