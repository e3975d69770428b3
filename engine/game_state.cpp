// The engine's global record and its start-of-program values.
#include "engine/game_state.h"

namespace {

GameState start_state() {
    GameState state{};
    state.current_round = 1;
    state.settings.round_count = 10;
    state.settings.lines_per_round = 10;
    return state;
}

} // namespace

GameState game = start_state();

void reset_game_state() { game = start_state(); }
