// Recording stand-ins for what the engine asks of the Windows program.
#pragma once

#include "engine/engine_calls.h"

#include <vector>

struct EngineCall {
    enum Kind { draw, erase, grid, score, cursor, consistency } kind;
    int x = 0;
    int y = 0;
    int colour = 0;
    BallStyle style = BallStyle::normal;
    BallSize size = BallSize::board;
};

extern std::vector<EngineCall> engine_calls;

// Fresh engine state, an empty call log and a simple layout: cell (c, r) is centred at
// (100 + 10c, 100 + 10r), so preview slot i is at (80, 130 + 10i).
void reset_engine_fixture();

std::vector<EngineCall> calls_of(EngineCall::Kind kind);
