// Texts of the service in UTF-8: its own (u8 literals, whatever code page narrow literals
// get), the player's from code page 1251, and the blanks around a player's text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline std::string u8str(std::u8string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

// A record text of code page 1251 in UTF-8.
std::string utf8_from_cp1251(std::string_view text);
// The same text in code page 1251; nothing when it is no well-formed UTF-8 or holds a character
// the code page lacks.
std::optional<std::string> cp1251_from_utf8(std::string_view utf8);

// The blanks a player may leave around a text without meaning them: the space, the tab, line
// ends, the no-break space and Unicode's other spaces. An e-mail matches without them, and a
// spreadsheet may skip them before it reads a formula.
std::string blank_characters(); // each once, in UTF-8
// The text from its first character that is no blank.
std::string_view after_blanks(std::string_view text);
// The text without the blanks at either end.
std::string_view without_blanks(std::string_view text);
