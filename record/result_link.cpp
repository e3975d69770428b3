// The result link: the record scrambled into hexadecimal after the results endpoint's address,
// and the reverse for the people who receive it.
#include "record/result_link.h"

#include "record/settings_record.h"
#include "resources/web_addresses.h"

namespace {

constexpr char hex_digits[] = "0123456789abcdef";

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

DecodedResult refuse(std::string error) {
    DecodedResult result;
    result.error = std::move(error);
    return result;
}

} // namespace

uint8_t shuffle_bits(uint8_t b) {
    const uint8_t pairs_swapped = uint8_t(((b & 0xAA) >> 1) | ((b & 0x55) << 1));
    return uint8_t((pairs_swapped >> 4) | ((pairs_swapped & 0x0F) << 4));
}

// Both steps undo themselves and do not disturb each other, so the same steps reverse it.
uint8_t unshuffle_bits(uint8_t u) { return shuffle_bits(u); }

std::string scramble_record(std::string_view record) {
    std::string bytes;
    bytes.reserve(record.size() + 12);
    // A 64-bit sum cannot overflow for any text that fits in memory; the record the program
    // writes sums to well under 100000.
    int64_t checksum = 0;
    auto add = [&](char c) {
        const uint8_t complemented = uint8_t(~uint8_t(c));
        bytes += char(complemented);
        checksum += complemented;
    };
    for (char c : record) {
        add(c);
    }
    add(record_separator);
    bytes += std::to_string(checksum);
    return bytes;
}

std::string result_link_query(std::string_view record) {
    const std::string bytes = scramble_record(record);
    std::string query;
    query.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const uint8_t u = shuffle_bits(uint8_t(c));
        query += hex_digits[u >> 4];
        query += hex_digits[u & 0x0F];
    }
    return query;
}

std::string result_link(std::string_view record) {
    return result_link_prefix + result_link_query(record);
}

DecodedResult decode_result_link(std::string_view link) {
    const size_t query_mark = link.find('?');
    const std::string_view query =
        query_mark == std::string_view::npos ? link : link.substr(query_mark + 1);
    if (query.empty()) {
        return refuse("the query is empty");
    }
    if (query.size() % 2 != 0) {
        return refuse("the query has an odd number of characters (" + std::to_string(query.size()) +
                      ")");
    }
    std::string bytes;
    for (size_t i = 0; i < query.size(); i += 2) {
        const int high = hex_value(query[i]);
        const int low = hex_value(query[i + 1]);
        if (high < 0 || low < 0) {
            const size_t at = high < 0 ? i : i + 1;
            return refuse("character " + std::to_string(at + 1) +
                          " of the query is not a hexadecimal digit");
        }
        bytes += char(unshuffle_bits(uint8_t(high << 4 | low)));
    }

    // The checksum digits never contain the complemented separator, so its last occurrence ends
    // the record.
    const char complemented_separator = char(~record_separator);
    const size_t end = bytes.rfind(complemented_separator);
    if (end == std::string::npos) {
        return refuse("no record separator: this is not a scrambled record");
    }
    const std::string digits = bytes.substr(end + 1);
    if (digits.empty()) {
        return refuse("the checksum after the record is missing");
    }
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return refuse("the checksum after the record is not a decimal number");
        }
    }

    DecodedResult result;
    result.valid = true;
    int64_t checksum = 0;
    for (size_t i = 0; i <= end; ++i) {
        checksum += uint8_t(bytes[i]);
        if (i < end) {
            result.record += char(~uint8_t(bytes[i]));
        }
    }
    result.stated_checksum = digits;
    result.computed_checksum = std::to_string(checksum);
    result.checksum_holds = result.stated_checksum == result.computed_checksum;
    size_t field_start = 0;
    for (size_t i = 0; i <= result.record.size(); ++i) {
        if (i == result.record.size() || result.record[i] == record_separator) {
            result.fields.push_back(result.record.substr(field_start, i - field_start));
            field_start = i + 1;
        }
    }
    return result;
}
