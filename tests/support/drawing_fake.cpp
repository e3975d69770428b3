// The recording fake of render/board_drawing.h.
#include "tests/support/drawing_fake.h"

#include "engine/game_state.h"
#include "render/geometry.h"
#include "tests/support/board_runs.h"
#include "tests/support/panel_fake.h"

std::vector<EngineCall> engine_calls;

void draw_ball(int x, int y, int colour, BallStyle style, BallSize size) {
    engine_calls.push_back({EngineCall::draw, x, y, colour, style, size});
}
void erase_cell(int x, int y) { engine_calls.push_back({EngineCall::erase, x, y}); }
void draw_grid() { engine_calls.push_back({EngineCall::grid}); }

void reset_engine_fixture() {
    reset_game_state();
    engine_calls.clear();
    reset_fake_panel();
    geometry = Geometry{};
    geometry.half_cell = 4;
    geometry.cell_size = 10;
    geometry.grid_left = 95;
    geometry.grid_top = 95;
    geometry.cell0_centre_x = 100;
    geometry.cell0_centre_y = 100;
}

std::vector<EngineCall> calls_of(EngineCall::Kind kind) {
    std::vector<EngineCall> found;
    for (const EngineCall& call : engine_calls) {
        if (call.kind == kind) {
            found.push_back(call);
        }
    }
    return found;
}

void set_board_picture(const char* const rows[8]) {
    game.ball_count = 0;
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            const char ch = rows[r][c];
            game.board[cell_index(c, r)] = ch == '.' ? 0 : uint8_t(ch - '0');
            game.ball_count += ch != '.';
        }
    }
}

int balls_on_board() {
    int n = 0;
    for (uint8_t v : game.board) {
        n += v != 0;
    }
    return n;
}

bool board_has_line_of_five() { return has_line_of_five(game.board, 0); }
