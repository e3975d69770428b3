// The test's secret from getrandom(2), and ChaCha20's block function (RFC 8439) over it.
#include "server/referee/referee_seed.h"

#include <sys/random.h>

#include <cerrno>
#include <system_error>

namespace {

constexpr uint32_t rotated_left(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

void quarter_round(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    a += b, d ^= a, d = rotated_left(d, 16);
    c += d, b ^= c, b = rotated_left(b, 12);
    a += b, d ^= a, d = rotated_left(d, 8);
    c += d, b ^= c, b = rotated_left(b, 7);
}

uint32_t little_endian_word(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// The block's first two words: the rounds run over all sixteen, only two are kept.
std::array<uint32_t, 2> chacha20_first_words(const RefereeSeed& seed, uint32_t counter) {
    std::array<uint32_t, 16> state = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
    for (size_t i = 0; i < 8; ++i) {
        state[4 + i] = little_endian_word(&seed.key[4 * i]);
    }
    state[12] = counter; // words 13..15, the nonce, stay 0: a seed serves one test
    std::array<uint32_t, 16> x = state;
    for (int double_round = 0; double_round < 10; ++double_round) {
        quarter_round(x[0], x[4], x[8], x[12]);
        quarter_round(x[1], x[5], x[9], x[13]);
        quarter_round(x[2], x[6], x[10], x[14]);
        quarter_round(x[3], x[7], x[11], x[15]);
        quarter_round(x[0], x[5], x[10], x[15]);
        quarter_round(x[1], x[6], x[11], x[12]);
        quarter_round(x[2], x[7], x[8], x[13]);
        quarter_round(x[3], x[4], x[9], x[14]);
    }
    return {x[0] + state[0], x[1] + state[1]};
}

} // namespace

RefereeSeed fresh_seed() {
    RefereeSeed seed;
    size_t filled = 0;
    while (filled < seed.key.size()) {
        // Up to 256 bytes come whole once the pool is ready; EINTR only before that.
        const ssize_t got = getrandom(seed.key.data() + filled, seed.key.size() - filled, 0);
        if (got < 0 && errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "getrandom");
        }
        filled += got > 0 ? size_t(got) : 0;
    }
    return seed;
}

uint64_t random_state_for_play(const RefereeSeed& seed, uint32_t play_number) {
    const std::array<uint32_t, 2> words = chacha20_first_words(seed, play_number);
    return uint64_t(words[1]) << 32 | words[0];
}
