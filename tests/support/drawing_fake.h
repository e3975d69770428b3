// The recording fake of render/board_drawing.h, and the engine tests' fixture.
#pragma once

#include "render/board_drawing.h"

#include <vector>

struct DrawingCall {
    enum Kind { draw, erase, grid } kind;
    int x = 0;
    int y = 0;
    int colour = 0;
    BallStyle style = BallStyle::normal;
    BallSize size = BallSize::board;
};

extern std::vector<DrawingCall> drawing_calls;

// Fresh engine state, an empty log of drawing calls, the fake panel as reset_fake_panel leaves it
// and a simple layout: cell (c, r) is centred at (100 + 10c, 100 + 10r) with the grid's top-left
// line crossing at (95, 95), so preview slot i is at (80, 130 + 10i).
void reset_engine_fixture();

std::vector<DrawingCall> calls_of(DrawingCall::Kind kind);

// Board helpers for tests. Pictures are eight rows of eight characters, top row first:
// '.' is an empty cell, a digit the Board value.
void set_board_picture(const char* const rows[8]);
int balls_on_board();
bool board_has_line_of_five();
