// The recording fake of render/board_drawing.h.
#include "tests/support/drawing_fake.h"

#include "engine/game_state.h"
#include "render/geometry.h"
#include "tests/support/board_runs.h"
#include "tests/support/panel_fake.h"

std::vector<DrawingCall> drawing_calls;

void draw_ball(int x, int y, int colour, BallStyle style, BallSize size) {
    drawing_calls.push_back({DrawingCall::draw, x, y, colour, style, size});
}
void erase_cell(int x, int y) { drawing_calls.push_back({DrawingCall::erase, x, y}); }
void draw_grid() { drawing_calls.push_back({DrawingCall::grid}); }

void reset_engine_fixture() {
    reset_game_state();
    drawing_calls.clear();
    reset_fake_panel();
    geometry = Geometry{};
    geometry.half_cell = 4;
    geometry.cell_size = 10;
    geometry.grid_left = 95;
    geometry.grid_top = 95;
    geometry.cell0_centre_x = 100;
    geometry.cell0_centre_y = 100;
}

std::vector<DrawingCall> calls_of(DrawingCall::Kind kind) {
    std::vector<DrawingCall> found;
    for (const DrawingCall& call : drawing_calls) {
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
