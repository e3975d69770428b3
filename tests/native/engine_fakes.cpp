// Recording stand-ins for what the engine asks of the Windows program.
#include "tests/native/engine_fakes.h"

#include "engine/game_state.h"
#include "render/geometry.h"

std::vector<EngineCall> engine_calls;

void draw_ball(int x, int y, int colour, BallStyle style, BallSize size) {
    engine_calls.push_back({EngineCall::draw, x, y, colour, style, size});
}
void erase_cell(int x, int y) {
    engine_calls.push_back({EngineCall::erase, x, y});
}
void draw_grid() {
    engine_calls.push_back({EngineCall::grid});
}
void show_score() {
    engine_calls.push_back({EngineCall::score});
}
void update_cursor() {
    engine_calls.push_back({EngineCall::cursor});
}
void show_consistency_message() {
    engine_calls.push_back({EngineCall::consistency});
}

void reset_engine_fixture() {
    reset_game_state();
    engine_calls.clear();
    geometry = Geometry{};
    geometry.cell_size = 10;
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
