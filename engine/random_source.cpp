// The program's only random generator: a 64-bit linear congruential generator.
#include "engine/game_state.h"

uint64_t seeded_random_state(uint32_t seed) { return uint32_t(seed * 22695477u + 1u); }

void rng_seed(uint32_t seed) { game.random_state = seeded_random_state(seed); }

int32_t rng_next() {
    game.random_state = game.random_state * 0x0000015A00004E35ull + 1u;
    return int32_t((game.random_state >> 32) & 0x7FFFFFFFu);
}
