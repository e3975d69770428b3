// The program's only random generator: a 64-bit linear congruential generator.
#include "engine/game_state.h"

void rng_seed(uint32_t seed) { game.random_state = uint32_t(seed * 22695477u + 1u); }

int32_t rng_next() {
    game.random_state = game.random_state * 0x0000015A00004E35ull + 1u;
    return int32_t((game.random_state >> 32) & 0x7FFFFFFFu);
}
