// Runs of one colour on an 8 x 8 board indexed column * 8 + row, for the tests' players and
// their checks: the engine's own board, or one read off a screenshot.
#pragma once

#include <algorithm>

// The longest run through (column, row) along a row, a column or a diagonal, counting that
// cell as holding value.
template <typename Board>
int longest_run_through(const Board& board, int column, int row, int value) {
    const int directions[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
    int best = 0;
    for (const auto& d : directions) {
        int run = 1;
        for (int sign : {-1, 1}) {
            for (int k = 1; k < 8; ++k) {
                const int c = column + sign * k * d[0];
                const int r = row + sign * k * d[1];
                if (c < 0 || c > 7 || r < 0 || r > 7 || board[c * 8 + r] != value) {
                    break;
                }
                ++run;
            }
        }
        best = std::max(best, run);
    }
    return best;
}

// True when five or more cells in a line hold one value other than empty.
template <typename Board> bool has_line_of_five(const Board& board, int empty) {
    for (int cell = 0; cell < 64; ++cell) {
        if (board[cell] != empty &&
            longest_run_through(board, cell / 8, cell % 8, board[cell]) >= 5) {
            return true;
        }
    }
    return false;
}
