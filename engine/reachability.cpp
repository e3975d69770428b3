// The reachability flood over a board and its marks.
#include "engine/reachability.h"

#include "engine/game_state.h"

void mark_reachable_on(const uint8_t* board, uint8_t* marks, int column, int row) {
    const int neighbours[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}}; // left, right, up, down
    for (const auto& step : neighbours) {
        const int c = column + step[0];
        const int r = row + step[1];
        if (c < 0 || c > 7 || r < 0 || r > 7) {
            continue;
        }
        const int cell = cell_index(c, r);
        if (board[cell] == 0 && marks[cell] == 0) {
            marks[cell] = mark_reachable_cell;
            mark_reachable_on(board, marks, c, r);
        }
    }
}
