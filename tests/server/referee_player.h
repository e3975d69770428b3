// A player of refereed tests for the tests: the board as the page keeps it from the answers,
// and a greedy planner that sees only that board.
#pragma once

#include "engine/game_state.h"
#include "server/referee/referee.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

// The board and preview as the page keeps them: the start's and every answer's steps applied
// in order.
struct PageBoard {
    std::array<uint8_t, board_cells> cells{}; // colour + 1, as the engine's board
    std::array<int, preview_slots> preview = {-1, -1, -1, -1, -1};
    void apply(const Revealed& revealed) {
        for (const BoardStep& step : revealed.steps) {
            if (step.kind == StepKind::put) {
                cells[cell_index(step.column_or_slot, step.row)] = uint8_t(step.colour + 1);
            } else if (step.kind == StepKind::take) {
                cells[cell_index(step.column_or_slot, step.row)] = 0;
            } else if (step.kind == StepKind::show) {
                preview[step.column_or_slot] = step.colour;
            } else if (step.kind == StepKind::hide) {
                preview[step.column_or_slot] = -1;
            }
        }
        EXPECT_EQ(preview, revealed.preview);
    }
    bool matches(const GameState& state) const {
        return std::memcmp(cells.data(), state.board, board_cells) == 0;
    }
};

struct Move {
    Cell from;
    Cell to;
};

// The cells a ball at from can reach through empty cells, left, right, up and down.
inline std::vector<Cell> reachable_cells(const std::array<uint8_t, board_cells>& cells, Cell from) {
    std::vector<Cell> found;
    std::array<bool, board_cells> seen{};
    std::vector<Cell> frontier{from};
    seen[cell_index(from.column, from.row)] = true;
    while (!frontier.empty()) {
        const Cell at = frontier.back();
        frontier.pop_back();
        for (const Cell step : {Cell{-1, 0}, Cell{1, 0}, Cell{0, -1}, Cell{0, 1}}) {
            const Cell next{at.column + step.column, at.row + step.row};
            if (next.column < 0 || next.column > 7 || next.row < 0 || next.row > 7 ||
                seen[cell_index(next.column, next.row)] ||
                cells[cell_index(next.column, next.row)] != 0) {
                continue;
            }
            seen[cell_index(next.column, next.row)] = true;
            found.push_back(next);
            frontier.push_back(next);
        }
    }
    return found;
}

// The longest run of one colour through a cell, in any of the four directions.
inline int run_through(const std::array<uint8_t, board_cells>& cells, Cell at) {
    const uint8_t colour = cells[cell_index(at.column, at.row)];
    int longest = 0;
    for (const Cell direction : {Cell{1, 0}, Cell{0, 1}, Cell{1, 1}, Cell{1, -1}}) {
        int run = 1;
        for (const int sign : {1, -1}) {
            Cell next{at.column + sign * direction.column, at.row + sign * direction.row};
            while (next.column >= 0 && next.column < 8 && next.row >= 0 && next.row < 8 &&
                   cells[cell_index(next.column, next.row)] == colour) {
                ++run;
                next = {next.column + sign * direction.column, next.row + sign * direction.row};
            }
        }
        longest = std::max(longest, run);
    }
    return longest;
}

// A greedy player who sees only the page's board: a move that makes the longest run, drawn
// among the equals by a generator of its own, lest it go to and fro between two.
struct Planner {
    uint32_t state = 1;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 16;
    }
    Move planned_move(const PageBoard& board) {
        Move best{};
        uint32_t best_score = 0;
        for (int from = 0; from < board_cells; ++from) {
            const Cell source{from / 8, from % 8};
            if (board.cells[from] == 0) {
                continue;
            }
            for (const Cell target : reachable_cells(board.cells, source)) {
                std::array<uint8_t, board_cells> after = board.cells;
                after[cell_index(target.column, target.row)] = after[from];
                after[from] = 0;
                const uint32_t score = uint32_t(run_through(after, target)) << 16 | next();
                if (score > best_score) {
                    best = {source, target};
                    best_score = score;
                }
            }
        }
        return best;
    }
};
