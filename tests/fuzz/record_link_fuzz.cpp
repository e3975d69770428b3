// Any settings and player texts: the record has ten fields, reads back, and its link decodes
// to it with a checksum that holds.
#include "record/result_link.h"
#include "record/settings_record.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int32_t take_int(const uint8_t*& data, size_t& size) {
    int32_t v = 0;
    if (size >= 4) {
        std::memcpy(&v, data, 4);
        data += 4;
        size -= 4;
    }
    return v;
}

std::string take_text(const uint8_t*& data, size_t& size) {
    const size_t n = size ? data[0] % 100 : 0;
    const size_t taken = n < size - (size ? 1 : 0) ? n : size - (size ? 1 : 0);
    std::string text(reinterpret_cast<const char*>(data + (size ? 1 : 0)), taken);
    const size_t used = (size ? 1 : 0) + taken;
    data += used;
    size -= used;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TestSettings state{};
    state.initial_ball_count = take_int(data, size);
    state.colour_count = take_int(data, size);
    state.round_count = take_int(data, size);
    state.lines_per_round = take_int(data, size);
    const int32_t total_moves = take_int(data, size);
    PlayerTexts texts;
    for (std::string* text : {&texts.nickname, &texts.country, &texts.city, &texts.hidden_text,
                              &texts.birth_year, &texts.email}) {
        *text = take_text(data, size);
    }
    const std::string record = build_settings_record(state, total_moves, texts);
    int separators = 0;
    for (char c : record) {
        separators += c == record_separator;
    }
    const DecodedResult decoded = decode_result_link(result_link(record));
    if (separators != record_field_count - 1 || !decoded.valid || !decoded.checksum_holds ||
        decoded.record != record || decoded.fields.size() != size_t(record_field_count)) {
        std::abort();
    }
    TestSettings read{};
    read_settings_record(record, read);
    if (read.initial_ball_count != state.initial_ball_count ||
        read.colour_count != state.colour_count) {
        std::abort();
    }
    std::string stored = without_private_fields(record);
    withhold_stored_fields(stored);
    if (stored != without_private_fields(record)) {
        std::abort(); // the two ways of withholding agree on every record the program makes
    }
    return 0;
}
