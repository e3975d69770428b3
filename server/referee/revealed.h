// What the engine showed while the referee played one request, in board terms, not pixels.
#pragma once

#include "engine/game_state.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One visible change, in the order the engine made it. A cell is (column, row), 0..7 each,
// column left to right and row top to bottom; a slot is a preview slot, 0..4.
enum class StepKind {
    put,       // a ball of a colour appears in a cell
    take,      // the ball in a cell vanishes
    show,      // a colour appears in a preview slot
    hide,      // a preview slot is emptied
    new_board, // a round's fresh board: every cell is empty from here on
    message,   // the engine's consistency message (its free-cell list was broken)
};

struct BoardStep {
    StepKind kind;
    int column_or_slot = 0;
    int row = 0;
    int colour = 0; // 0-based colour index, for put and show
    bool operator==(const BoardStep&) const = default;
};

struct Revealed {
    std::vector<BoardStep> steps;
    // Each control the engine changed, with its last text (UTF-8) or enabled state.
    std::map<int, std::string> texts;
    std::map<int, bool> enabled;

    // Filled by the referee from the state after the request: what the panel and board show.
    int play_number = 0; // 0 for the start; every answered move or skip counts one
    bool cross_cursor = false;
    std::array<int, preview_slots> preview{}; // colour index, or -1 for an empty slot
    int32_t round = 0;                        // the round in play, or the last one once over
    bool over = false;
    bool operator==(const Revealed&) const = default;
};
