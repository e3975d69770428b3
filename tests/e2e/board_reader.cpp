// Reads the board of the real program off a screenshot and finds good moves on it.
#include "tests/e2e/board_reader.h"

#include "tests/support/board_runs.h"

#include <algorithm>

namespace {

// How close the board is to a line: the most balls of one colour in any window of five
// cells that holds nothing else.
int best_window(const Board& board) {
    const int directions[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
    int best = 0;
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            for (const auto& d : directions) {
                const int end_c = c + 4 * d[0], end_r = r + 4 * d[1];
                if (end_c < 0 || end_c > 7 || end_r > 7)
                    continue;
                int colour = empty_cell, count = 0;
                for (int k = 0; k < 5 && count >= 0; ++k) {
                    const int v = board[(c + k * d[0]) * 8 + r + k * d[1]];
                    if (v == empty_cell)
                        continue;
                    if (colour == empty_cell)
                        colour = v;
                    count = v == colour ? count + 1 : -1;
                }
                best = std::max(best, count);
            }
        }
    }
    return best;
}

} // namespace

// Ball colours by the relation of their channels, which holds for every shade.
int classify(uint32_t rgb) {
    const int r = int(rgb >> 16), g = int(rgb >> 8 & 0xFF), b = int(rgb & 0xFF);
    if (r == 205 && g == 205 && b == 205)
        return empty_cell;
    if (r == g && b == 255)
        return 0;
    if (r == 255 && g == b)
        return 1;
    if (r == 0 && g == b + 127)
        return 2;
    if (r == 245 && g == b + 127)
        return 3;
    if (g == 0 && r == b)
        return 4;
    if (r == 0 && g == b)
        return 5;
    if (r == 0 && b == g + 61)
        return 6;
    return unknown_pixel;
}

int pixel_colour(const Screenshot& shot, const BoardArea& area, int x, int y) {
    return classify(shot.pixel(area.left + x, area.top + y));
}

Board read_board(const Screenshot& shot, const BoardArea& area) {
    Board board;
    for (int i = 0; i < 64; ++i) {
        board[i] =
            pixel_colour(shot, area, cell0_x + i / 8 * cell_size, cell0_y + i % 8 * cell_size);
    }
    return board;
}

int balls(const Board& board) {
    return int(std::count_if(board.begin(), board.end(), [](int v) { return v >= 0; }));
}

Move best_move(Board board) {
    // A line if there is one; otherwise the move that leaves the fullest window of five,
    // the longest run breaking ties.
    static unsigned turn = 0;
    ++turn;
    Move best = {-1, -1, 0};
    int best_score = -1;
    for (int from = 0; from < 64; ++from) {
        const int v = board[from];
        if (v < 0)
            continue;
        board[from] = empty_cell;
        std::array<bool, 64> seen{};
        seen[from] = true; // the ball's own cell is no target
        int stack[64], top = 0;
        stack[top++] = from;
        while (top > 0) {
            const int cell = stack[--top];
            const int c = cell / 8, r = cell % 8;
            const int next[4][2] = {{c - 1, r}, {c + 1, r}, {c, r - 1}, {c, r + 1}};
            for (const auto& n : next) {
                const int to = n[0] * 8 + n[1];
                if (n[0] < 0 || n[0] > 7 || n[1] < 0 || n[1] > 7 || seen[to] ||
                    board[to] != empty_cell) {
                    continue;
                }
                seen[to] = true;
                stack[top++] = to;
                const int run = longest_run_through(board, n[0], n[1], v);
                board[to] = v;
                // The turn varies the tie-breaking so that the player does not walk in circles.
                const int score = (run >= 5 ? 1000 : best_window(board) * 100 + run * 10) +
                                  int((unsigned(from * 31 + to * 7) + turn) % 7);
                board[to] = empty_cell;
                if (score > best_score) {
                    best_score = score;
                    best = {from, to, run};
                }
            }
        }
        board[from] = v;
    }
    return best;
}

bool click_cell(int cell) {
    const Screenshot before = take_screenshot();
    click_board(cell0_x + cell / 8 * cell_size, cell0_y + cell % 8 * cell_size);
    return wait_for_screen_change(before);
}
