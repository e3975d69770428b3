// Small helpers for tests that write record texts: the separator as a string, and UTF-8
// literals as the bytes they are.
#pragma once

#include "record/result_link.h"
#include "record/settings_record.h"

#include <cstdint>
#include <string>

inline const std::string sep(1, record_separator);

// The bytes of a u8 literal, kept as UTF-8 (narrow literals become code page 1251).
inline std::string utf8_text(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The query that carries these bytes as they stand, without complement or checksum: for
// building malformed links and links whose checksum is wrong.
inline std::string query_of_raw_bytes(const std::string& bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string query;
    for (char c : bytes) {
        const uint8_t u = shuffle_bits(uint8_t(c));
        query += hex[u >> 4];
        query += hex[u & 0x0F];
    }
    return query;
}
