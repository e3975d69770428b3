// Texts of the service in UTF-8, and the blanks around a player's text.
#include "server/row/utf8_text.h"

#include "record/field_display.h"

namespace {

// In UTF-8: the ASCII blanks; U+00A0 no-break space; U+2000 to U+200B, the spaces of set
// widths; U+202F narrow no-break, U+205F medium mathematical and U+3000 ideographic space;
// U+FEFF, the zero-width no-break space.
constexpr std::string_view blanks = " \t\r\n\xC2\xA0"
                                    "\xE2\x80\x80\xE2\x80\x81\xE2\x80\x82\xE2\x80\x83"
                                    "\xE2\x80\x84\xE2\x80\x85\xE2\x80\x86\xE2\x80\x87"
                                    "\xE2\x80\x88\xE2\x80\x89\xE2\x80\x8A\xE2\x80\x8B"
                                    "\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80\xEF\xBB\xBF";

// The bytes of the UTF-8 character a lead byte begins.
size_t character_length(unsigned char lead) {
    return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Whether the bytes are one whole character, and one of the blanks. A whole character of
// UTF-8 found among the blanks is found at a character's start, since no character's lead
// byte is another's continuation.
bool is_blank(std::string_view character) {
    return !character.empty() && (static_cast<unsigned char>(character.front()) & 0xC0) != 0x80 &&
           character.size() == character_length(static_cast<unsigned char>(character.front())) &&
           blanks.find(character) != std::string_view::npos;
}

} // namespace

std::string utf8_from_cp1251(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (char c : text) {
        utf8 += cp1251_to_utf8(static_cast<unsigned char>(c));
    }
    return utf8;
}

std::optional<std::string> cp1251_from_utf8(std::string_view utf8) {
    std::string text;
    text.reserve(utf8.size());
    while (!utf8.empty()) {
        const size_t length = character_length(static_cast<unsigned char>(utf8.front()));
        const std::string_view character = utf8.substr(0, length);
        // Each byte's UTF-8 is whole and unique, so finding the character among them both
        // checks and converts it; 256 short comparisons for each of a few dozen characters.
        int byte = 0;
        while (byte < 256 && cp1251_to_utf8(static_cast<unsigned char>(byte)) != character) {
            ++byte;
        }
        if (byte == 256 || character.size() != length) {
            return std::nullopt;
        }
        text += static_cast<char>(byte);
        utf8.remove_prefix(length);
    }
    return text;
}

std::string blank_characters() { return std::string(blanks); }

std::string_view after_blanks(std::string_view text) {
    while (!text.empty()) {
        const size_t length = character_length(static_cast<unsigned char>(text.front()));
        if (length > text.size() || !is_blank(text.substr(0, length))) {
            break;
        }
        text.remove_prefix(length);
    }
    return text;
}

std::string_view without_blanks(std::string_view text) {
    text = after_blanks(text);
    while (!text.empty()) {
        // The last character's start: the last byte that is no continuation byte.
        size_t start = text.size() - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
            --start;
        }
        if (!is_blank(text.substr(start))) {
            break;
        }
        text.remove_suffix(text.size() - start);
    }
    return text;
}
