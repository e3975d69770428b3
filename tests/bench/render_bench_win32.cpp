// Times a whole new round on a 1280 x 1024 board against blitting its 69 squares, in one run.
#include "engine/game_state.h"
#include "render/ball_drawing_win32.h"
#include "render/colours.h"
#include "render/geometry.h"
#include "render/offscreen_canvas_win32.h"
#include "tests/win32/test_board_win32.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double now_us() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1e6 / double(frequency.QuadPart);
}

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
    game.initial_ball_count = 59;
    game.colour_count = 7;
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
    close_test_board();
    return 0;
}
