// The program's compiled resources, read from the .res file that windres made of the script.
#include "tests/support/compiled_resources.h"

#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t dword_at(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

uint16_t word_at(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

// A type or name field of a resource header: 0xFFFF and an ordinal, or a string (ordinal 0).
uint16_t ordinal_at(const std::vector<uint8_t>& b, size_t& at) {
    if (word_at(b, at) == 0xFFFF) {
        at += 4;
        return word_at(b, at - 2);
    }
    while (word_at(b, at) != 0) {
        at += 2;
    }
    at += 2;
    return 0;
}

} // namespace

// Each entry: data size, header size, type, name, (aligned) data version, memory flags,
// language, version, characteristics; then the data, padded to four bytes.
CompiledResource compiled_resource(uint16_t type, uint16_t id) {
    const std::vector<uint8_t> file = read_file(TRIVELLE_RES_FILE);
    size_t entry = 0;
    while (entry + 32 <= file.size()) {
        const uint32_t data_size = dword_at(file, entry);
        const uint32_t header_size = dword_at(file, entry + 4);
        size_t at = entry + 8;
        const uint16_t entry_type = ordinal_at(file, at);
        const uint16_t entry_id = ordinal_at(file, at);
        at = (at + 3) & ~size_t(3);
        const uint16_t language = word_at(file, at + 6);
        const size_t data = entry + header_size;
        if (data + data_size > file.size()) {
            break;
        }
        if (entry_type == type && entry_id == id) {
            return {true, language, {file.begin() + data, file.begin() + data + data_size}};
        }
        entry = (data + data_size + 3) & ~size_t(3);
    }
    return {};
}
