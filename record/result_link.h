// The result link: the record scrambled into hexadecimal after the results endpoint's address,
// and the reverse for the people who receive it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One byte's place in the link: neighbouring bits swapped, then the two halves swapped.
uint8_t shuffle_bits(uint8_t b);
uint8_t unshuffle_bits(uint8_t u);

// The bytes the link carries: the record and one separator, each complemented, then the sum of
// those complemented bytes in decimal.
std::string scramble_record(std::string_view record);

// The query: every scrambled byte as two lowercase hexadecimal digits after shuffle_bits.
std::string result_link_query(std::string_view record);

// The whole address opened in the browser: the endpoint's prefix and the query.
std::string result_link(std::string_view record);

struct DecodedResult {
    bool valid = false; // false: the input is not a result link; error says why
    std::string error;
    std::string record; // the record text, separators included
    std::vector<std::string> fields;
    std::string stated_checksum;   // the digits the link carries
    std::string computed_checksum; // what its bytes add up to
    bool checksum_holds = false;
};

// Decodes a result link, or only its query (everything after the first '?' if there is one).
DecodedResult decode_result_link(std::string_view link);
