// Reading the classic in-memory dialog template: the header and each item's fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A class or text field: either a resource ordinal or a UTF-16 string.
struct TemplateName {
    bool is_ordinal = false;
    uint16_t ordinal = 0;
    std::u16string text;
};

struct DialogTemplateItem {
    size_t offset = 0; // of the item's style, from the start of the template
    uint32_t style = 0;
    uint32_t ex_style = 0;
    int16_t x = 0;
    int16_t y = 0;
    int16_t cx = 0;
    int16_t cy = 0;
    uint16_t id = 0;
    TemplateName class_name;
    TemplateName text;
    uint16_t extra_bytes = 0;
};

struct DialogTemplate {
    uint32_t style = 0;
    uint32_t ex_style = 0;
    uint16_t item_count = 0;
    int16_t x = 0;
    int16_t y = 0;
    int16_t cx = 0;
    int16_t cy = 0;
    TemplateName menu;
    TemplateName class_name;
    std::u16string title;
    std::vector<DialogTemplateItem> items;
};

// Offsets of the rectangle fields: in the header, and from an item's own offset.
constexpr size_t template_header_rect_offset = 10;
constexpr size_t template_item_rect_offset = 8;

// Reads a classic (not extended) template; nothing when the bytes are not a whole one.
std::optional<DialogTemplate> read_dialog_template(const uint8_t* bytes, size_t size);

// Little-endian 16-bit field access within a template.
inline int16_t template_field(const uint8_t* bytes, size_t offset) {
    return int16_t(uint16_t(bytes[offset] | bytes[offset + 1] << 8));
}
inline void set_template_field(uint8_t* bytes, size_t offset, int32_t value) {
    const uint16_t v = uint16_t(value);
    bytes[offset] = uint8_t(v & 0xFF);
    bytes[offset + 1] = uint8_t(v >> 8);
}
