// The settings record's text format: building it, walking it back and cutting its private part.
#include "record/settings_record.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

bool is_c_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads one decimal integer from pos on as "%d" does: blanks, an optional sign, digits.
// Values beyond the int32 range are held at its ends instead of overflowing.
bool scan_integer(std::string_view text, size_t& pos, int32_t& value) {
    size_t i = pos;
    while (i < text.size() && is_c_space(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t digits_start = i;
    int64_t magnitude = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (magnitude <= int64_t(INT32_MAX) + 1) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
        ++i;
    }
    if (i == digits_start) {
        return false;
    }
    int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) {
        signed_value = INT32_MAX;
    } else if (signed_value < INT32_MIN) {
        signed_value = INT32_MIN;
    }
    value = int32_t(signed_value);
    pos = i;
    return true;
}

// A player's text as the record can carry it: no separator or zero byte, at most limit bytes.
std::string record_text(const std::string& text, int limit) {
    std::string kept;
    for (char c : text) {
        if (c != record_separator && c != '\0') {
            kept += c;
        }
    }
    if (kept.size() > size_t(limit)) {
        kept.resize(size_t(limit));
    }
    return kept;
}

void read_field(int n, std::string_view field, TestSettings& state, RecordReading& reading) {
    switch (n) {
    case 1:
        state.initial_ball_count = leading_integer(field);
        break;
    case 2:
        state.colour_count = leading_integer(field);
        if (state.colour_count >= fewest_colours && state.colour_count <= most_colours) {
            reading.stated_colours = state.colour_count;
        }
        break;
    case 3: {
        size_t pos = 0;
        if (scan_integer(field, pos, state.round_count)) {
            scan_integer(field, pos, state.lines_per_round);
        }
        if (state.round_count == 0 || state.round_count > most_rounds) {
            state.round_count = default_rounds;
        }
        if (state.lines_per_round == 0 || state.lines_per_round > most_lines_per_round) {
            state.lines_per_round = default_lines_per_round;
        }
        reading.texts.push_back({RecordText::rounds, std::to_string(state.round_count)});
        reading.texts.push_back(
            {RecordText::lines_per_round, std::to_string(state.lines_per_round)});
        break;
    }
    case 5:
        reading.texts.push_back({RecordText::nickname, std::string(field)});
        break;
    case 6:
        reading.texts.push_back({RecordText::country, std::string(field)});
        break;
    case 7:
        reading.texts.push_back({RecordText::city, std::string(field)});
        break;
    case 8:
        reading.texts.push_back({RecordText::hidden_text, std::string(field)});
        break;
    case 9:
        reading.texts.push_back({RecordText::birth_year, std::string(field)});
        break;
    default: // field 4, the move count, and anything past field 9 are not read back
        break;
    }
}

} // namespace

int32_t leading_integer(std::string_view text) {
    size_t pos = 0;
    int32_t value = 0;
    return scan_integer(text, pos, value) ? value : 0;
}

std::string build_settings_record(const TestSettings& state, int32_t total_moves,
                                  const PlayerTexts& texts) {
    std::string record;
    record += std::to_string(state.initial_ball_count);
    record += record_separator;
    record += std::to_string(state.colour_count);
    record += record_separator;
    record += std::to_string(state.round_count) + " " + std::to_string(state.lines_per_round);
    record += record_separator;
    record += std::to_string(total_moves);
    record += record_separator;
    record += record_text(texts.nickname, nickname_limit);
    record += record_separator;
    record += record_text(texts.country, country_limit);
    record += record_separator;
    record += record_text(texts.city, city_limit);
    record += record_separator;
    record += record_text(texts.hidden_text, hidden_text_limit);
    record += record_separator;
    record += record_text(texts.birth_year, birth_year_limit);
    record += record_separator;
    record += record_text(texts.email, email_limit);
    return record;
}

std::string without_private_fields(std::string_view record) {
    int separators = 0;
    for (size_t i = 0; i < record.size(); ++i) {
        if (record[i] == record_separator && ++separators == first_private_field - 1) {
            return std::string(record.substr(0, i + 1)) + record_separator + record_separator;
        }
    }
    return std::string(record);
}

bool withhold_stored_fields(std::string& stored) {
    // Count from the front, as the reader does: from the end, a record with more or fewer than
    // ten fields kept texts that the next start shows as hidden text, birth year or e-mail.
    const std::string_view shown = std::string_view(stored).substr(0, stored.find('\0'));
    if (std::count(shown.begin(), shown.end(), record_separator) >= first_private_field - 1) {
        stored = without_private_fields(shown);
        return true;
    }
    // A shorter record has no hidden text or birth year; whatever follows its last separator
    // is read as the e-mail.
    const size_t last = shown.rfind(record_separator);
    const size_t kept = last == std::string_view::npos ? 0 : last + 1;
    if (kept == stored.size()) {
        return false;
    }
    stored.resize(kept);
    return true;
}

RecordReading read_settings_record(std::string_view record, TestSettings& state) {
    record = record.substr(0, record.find('\0'));
    RecordReading reading;
    state.round_count = 0;
    int n = 0;
    size_t field_start = 0;
    for (size_t i = 0; i < record.size(); ++i) {
        if (record[i] == record_separator) {
            read_field(++n, record.substr(field_start, i - field_start), state, reading);
            field_start = i + 1;
        }
    }
    // The text after the last separator is the e-mail, whatever the number of fields.
    reading.texts.push_back({RecordText::email, std::string(record.substr(field_start))});
    return reading;
}
