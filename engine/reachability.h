// Which empty cells a ball can reach: the flood the engine judges every move by.
#pragma once

#include <cstdint>

// Marks with mark_reachable_cell every empty cell of board (board_cells values indexed as
// cell_index, 0 for empty) reachable from (column, row) through empty cells, left, right, up
// or down, and not marked yet. The starting cell itself is not marked.
void mark_reachable_on(const uint8_t* board, uint8_t* marks, int column, int row);
