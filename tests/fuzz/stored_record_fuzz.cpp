// A stored record of any bytes, read into the panel and the settings, then New and random play.
#include "tests/support/random_play.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    const uint32_t seed =
        uint32_t(data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24);
    const std::string_view record(reinterpret_cast<const char*>(data + 4), size - 4);
    const std::string broken = play_randomly(seed, 300, record);
    if (!broken.empty()) {
        std::fprintf(stderr, "%s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
