// Any text handed to the link decoder and shown the way the decoding tool shows it.
#include "record/field_display.h"
#include "record/result_link.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view link(reinterpret_cast<const char*>(data), size);
    const DecodedResult decoded = decode_result_link(link);
    if (!decoded.valid) {
        return decoded.error.empty() ? (std::abort(), 0) : 0;
    }
    for (const std::string& field : decoded.fields) {
        for (bool keep : {false, true}) {
            for (char c : displayable_field(field, keep)) {
                if (static_cast<unsigned char>(c) < 0x20) {
                    std::abort(); // a control byte would reach the terminal
                }
            }
        }
    }
    // A record decoded from a link is encoded to the same query again, when its checksum holds.
    if (decoded.checksum_holds &&
        decode_result_link(result_link(decoded.record)).record != decoded.record) {
        std::abort();
    }
    return 0;
}
