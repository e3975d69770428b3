// The stored settings record: the default value of HKEY_CURRENT_USER\Software\Trivelle.
#pragma once

#include <string>

// A stored value larger than this is not a record of ours and reads as none. Every record the
// program writes stays far below it (about 240 bytes with every field full and every number
// at its longest).
constexpr unsigned long max_stored_record_size = 4096;

// The stored text, whatever the value's type: its data up to the first zero byte or the end
// of the data, whichever comes first. False, with text empty, when the key or the value is
// missing, cannot be read or is larger than max_stored_record_size.
bool read_stored_record(std::string& text);

// Stores text as a REG_SZ value with its terminating zero byte; false if that failed.
bool write_stored_record(const std::string& text);
