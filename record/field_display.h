// Record texts made readable on a terminal: code page 1251 turned into UTF-8, control bytes
// escaped.
#pragma once

#include <string>
#include <string_view>

// UTF-8 for one code page 1251 byte; empty for 0x98, the one byte the code page leaves unused.
std::string cp1251_to_utf8(unsigned char byte);

// One record field on one line: control bytes, 0x98 and the backslash written as \xNN and \\;
// other bytes in UTF-8, or left as they are when keep_code_page is set.
std::string displayable_field(std::string_view field, bool keep_code_page);
