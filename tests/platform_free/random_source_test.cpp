#include "engine/game_state.h"

#include <gtest/gtest.h>

TEST(RandomSource, SequenceAfterSeedZero) {
    rng_seed(0);
    EXPECT_EQ(game.random_state, 1u);
    for (int32_t expected : {346, 13854878, 1621890440, 816282396, 1778554774}) {
        EXPECT_EQ(rng_next(), expected);
    }
}

TEST(RandomSource, SeedSetsOnlyTheLowHalf) {
    game.random_state = ~0ull;
    rng_seed(0xFFFFFFFFu);
    EXPECT_EQ(game.random_state, 0xFEA5B1CCu) << "(2^32 - 1) * 22695477 + 1, modulo 2^32";
    for (int i = 0; i < 1000; ++i) {
        EXPECT_GE(rng_next(), 0);
    }
}
