// Any field bytes shown on a terminal: valid UTF-8 with no control byte, and nothing lost.
#include "record/field_display.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool valid_utf8_without_controls(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        const size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : 0;
        if (length == 0 || i + length > text.size() || (length == 1 && (b < 0x20 || b == 0x7F))) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view field(reinterpret_cast<const char*>(data), size);
    const std::string shown = displayable_field(field, false);
    if (!valid_utf8_without_controls(shown) || shown.size() < size) {
        std::abort();
    }
    return 0;
}
