// Small helpers for tests that write record texts: the separator as a string, and UTF-8
// literals as the bytes they are.
#pragma once

#include "record/settings_record.h"

#include <string>

inline const std::string sep(1, record_separator);

// The bytes of a u8 literal, kept as UTF-8 (narrow literals become code page 1251).
inline std::string utf8_text(const char8_t* text) { return reinterpret_cast<const char*>(text); }
