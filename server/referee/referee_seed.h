// A running test's secret: 256 bits from the kernel's cryptographic source, from which the
// engine's generator is seeded afresh before every request it plays.
#pragma once

#include <array>
#include <cstdint>

struct RefereeSeed {
    std::array<uint8_t, 32> key{};
    bool operator==(const RefereeSeed&) const = default;
};

// From getrandom(2); throws std::system_error if the kernel cannot give it.
RefereeSeed fresh_seed();

// The engine's whole 64-bit generator state for a test's request number play_number (0 is the
// start): the first 8 bytes of ChaCha20's block play_number under the seed, nonce 0. What a
// player sees of one request's random numbers tells nothing of another's.
uint64_t random_state_for_play(const RefereeSeed& seed, uint32_t play_number);
