// The program's compiled resources, read from what the build produced.
#pragma once

#include <cstdint>
#include <vector>

struct CompiledResource {
    bool found = false;
    uint16_t language = 0;
    std::vector<uint8_t> bytes;
};

// The resource of the given numeric type and id; not found when the build holds none.
CompiledResource compiled_resource(uint16_t type, uint16_t id);

constexpr uint16_t resource_type_bitmap = 2;
constexpr uint16_t resource_type_dialog = 5;
