// The settings record's text format: building it, walking it back and cutting its private part.
#pragma once

#include "engine/test_settings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Fields are separated by this byte; there is none after the last field.
constexpr char record_separator = '\x01';
constexpr int record_field_count = 10;
// Fields 8 to 10 (hidden text, birth year, e-mail) are the private ones.
constexpr int first_private_field = 8;

// Character limits of the player's edits, fields 5 to 10 in record order.
constexpr int nickname_limit = 16;
constexpr int country_limit = 2;
constexpr int city_limit = 25;
constexpr int hidden_text_limit = 77;
constexpr int birth_year_limit = 4;
constexpr int email_limit = 51;

// The texts of the player's edits as the record carries them, fields 5 to 10.
struct PlayerTexts {
    std::string nickname;
    std::string country;
    std::string city;
    std::string hidden_text;
    std::string birth_year;
    std::string email;
};

// All ten fields from the settings, the move count and the player's texts. A text is cut to its
// edit's limit and loses any separator byte, so the record always has exactly ten fields.
std::string build_settings_record(const TestSettings& settings, int32_t total_moves,
                                  const PlayerTexts& texts);

// The form stored while the private fields are withheld: fields 1 to 7 and three separators.
std::string without_private_fields(std::string_view record);

// The rewrite of a stored record when the privacy switch goes off, so that no text the next
// start would read as hidden text, birth year or e-mail stays: the text up to the first zero
// byte, with everything after its seventh separator replaced by two more separators. A record
// with fewer separators loses what follows the last one, and stays untouched, with false
// returned, when nothing follows it.
bool withhold_stored_fields(std::string& stored);

// The texts a stored record gives back, besides the settings.
enum class RecordText {
    rounds,
    lines_per_round,
    nickname,
    country,
    city,
    hidden_text,
    birth_year,
    email
};

struct FieldText {
    RecordText field;
    std::string text;
};

// What a stored record gives back besides the settings.
struct RecordReading {
    std::vector<FieldText> texts; // in the order the walk meets them
    int stated_colours = 0;       // the colour count of field 2 when a radio offers it, else 0
};

// Walks a stored record (its text up to the first zero byte) into settings: round_count
// starts at 0, fields that are absent leave a setting as it was.
RecordReading read_settings_record(std::string_view record, TestSettings& settings);

// The leading decimal integer of a text, as the C conversions read it (blanks, a sign, digits),
// held to the int32 range; 0 when there is none.
int32_t leading_integer(std::string_view text);
