// Recording stand-ins for the score display and the cursor, for tests of the ball supply
// that look only at what the engine asks for.
#include "engine/play.h"
#include "tests/native/engine_fakes.h"

void show_score() { engine_calls.push_back({EngineCall::score}); }
void update_cursor() { engine_calls.push_back({EngineCall::cursor}); }
