// A result link read into the row the service stores, or the reason it is refused.
#pragma once

#include "engine/test_settings.h"
#include "record/settings_record.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The longest query the program can send: every field at its limit, the separator and a
// five-digit checksum, two hexadecimal digits a byte. A longer one is refused unread.
extern const size_t longest_result_query;

// One stored result: the record's settings, move count and the player's texts, converted from
// the record's code page to UTF-8, and the key that makes the same link one row.
struct ResultRow {
    std::string link_key; // the query in lowercase hexadecimal
    TestSettings settings{};
    int32_t total_moves = 0;
    // The last three (hidden text, birth year, e-mail) are stored, never shown.
    PlayerTexts utf8_texts;
    // Counted by the service's own referee from a test played on /play, not sent by a link:
    // its link_key is verified_key_prefix and the test's id, never a hexadecimal query.
    bool verified = false;
};

constexpr char verified_key_prefix = 'v';

enum class Refusal {
    too_long,     // the query is longer than any the program sends
    malformed,    // not a scrambled record of ten fields
    checksum,     // the checksum digits disagree with the bytes
    out_of_range, // a field the program could not have written
};

struct LinkReading {
    std::optional<ResultRow> row;
    Refusal refusal = Refusal::malformed;
    std::string reason; // for the error page, in Russian (UTF-8)
};

// The player's texts as typed into the page (UTF-8), by the rules a link's texts meet: each
// within its edit's limit, of code page 1251's characters and no control ones. The reason (in
// Russian, UTF-8) when they are not.
std::optional<std::string> player_texts_refusal(const PlayerTexts& utf8_texts);

// Reads the query of a result link (the text after '?').
LinkReading read_result_link(std::string_view query);
