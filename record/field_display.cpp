// Record texts made readable on a terminal: code page 1251 turned into UTF-8, control bytes
// escaped.
#include "record/field_display.h"

#include <cstdint>

namespace {

// Code points of the bytes 0x80 to 0xBF; 0xC0 to 0xFF are the 64 letters U+0410 to U+044F.
constexpr uint16_t upper_half[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // 0xB8
};

std::string utf8(uint32_t code_point) {
    std::string out;
    if (code_point < 0x80) {
        out += char(code_point);
    } else if (code_point < 0x800) {
        out += char(0xC0 | (code_point >> 6));
        out += char(0x80 | (code_point & 0x3F));
    } else {
        out += char(0xE0 | (code_point >> 12));
        out += char(0x80 | ((code_point >> 6) & 0x3F));
        out += char(0x80 | (code_point & 0x3F));
    }
    return out;
}

} // namespace

std::string cp1251_to_utf8(unsigned char byte) {
    if (byte < 0x80) {
        return std::string(1, char(byte));
    }
    if (byte >= 0xC0) {
        return utf8(0x0410 + (byte - 0xC0));
    }
    const uint16_t code_point = upper_half[byte - 0x80];
    return code_point ? utf8(code_point) : std::string();
}

std::string displayable_field(std::string_view field, bool keep_code_page) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (char c : field) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F || byte == 0x98) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        } else if (keep_code_page) {
            out += c;
        } else {
            out += cp1251_to_utf8(byte);
        }
    }
    return out;
}
