// A result link read into the row the service stores, or the reason it is refused.
#include "server/row/result_row.h"

#include "record/result_link.h"
#include "record/settings_record.h"
#include "server/row/utf8_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>

namespace {

constexpr size_t digit_count(int64_t value) {
    size_t digits = 1;
    for (; value >= 10; value /= 10) {
        ++digits;
    }
    return digits;
}

// The longest record: the largest numbers (the move count is an int32) and full edits.
constexpr size_t longest_record =
    digit_count(most_initial_balls) + digit_count(most_colours) + digit_count(most_rounds) + 1 +
    digit_count(most_lines_per_round) + digit_count(INT32_MAX) + nickname_limit + country_limit +
    city_limit + hidden_text_limit + birth_year_limit + email_limit + record_field_count - 1;
// Every byte and the record's closing separator complemented are at most 255.
constexpr size_t longest_scrambled =
    longest_record + 1 + digit_count(int64_t(longest_record + 1) * 255);

LinkReading refuse(Refusal refusal, std::string reason) {
    LinkReading reading;
    reading.refusal = refusal;
    reading.reason = std::move(reason);
    return reading;
}

LinkReading refuse(Refusal refusal, std::u8string_view reason) {
    return refuse(refusal, u8str(reason));
}

// "<what> must be from <low> to <high>."
std::string range_reason(std::u8string_view what, int32_t low, int32_t high) {
    return u8str(what) + u8str(u8" — от ") + std::to_string(low) + u8str(u8" до ") +
           std::to_string(high) + ".";
}

// A number exactly as "%d" writes it, within [low, high].
bool read_number(std::string_view text, int32_t low, int32_t high, int32_t& value) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low &&
           value <= high;
}

// A text one of the panel's edits can hold: within its limit, and only characters of the code
// page (no control bytes, and not 0x98, which the code page leaves unused).
bool read_text(std::string_view text, int limit, std::string& utf8) {
    if (text.size() > size_t(limit)) {
        return false;
    }
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == 0x98) {
            return false;
        }
    }
    utf8 = utf8_from_cp1251(text);
    return true;
}

// The player's texts in record order, with their edits' limits.
constexpr std::array<int, 6> player_text_limits = {
    nickname_limit, country_limit, city_limit, hidden_text_limit, birth_year_limit, email_limit};
template <typename Texts> auto player_text_fields(Texts& texts) {
    return std::array{&texts.nickname,    &texts.country,    &texts.city,
                      &texts.hidden_text, &texts.birth_year, &texts.email};
}

std::string text_field_reason() {
    return u8str(u8"Текстовое поле длиннее, чем позволяет панель, или с управляющими символами.");
}

bool is_hex_digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

const size_t longest_result_query = 2 * longest_scrambled;

LinkReading read_result_link(std::string_view query) {
    if (query.size() > longest_result_query) {
        return refuse(Refusal::too_long, u8"Запрос длиннее любой ссылки, которую посылает игра.");
    }
    // The decoder would also take a whole address; here only the hexadecimal text may come.
    if (query.empty() || !std::all_of(query.begin(), query.end(), is_hex_digit)) {
        return refuse(Refusal::malformed,
                      u8"После «?» должны идти только шестнадцатеричные цифры результата.");
    }
    const DecodedResult decoded = decode_result_link(query);
    if (!decoded.valid || decoded.fields.size() != size_t(record_field_count)) {
        return refuse(Refusal::malformed, u8"В ссылке нет записи результата из десяти полей.");
    }
    if (!decoded.checksum_holds) {
        return refuse(Refusal::checksum,
                      u8"Контрольная сумма не сходится: ссылка искажена по дороге.");
    }

    ResultRow row;
    const std::vector<std::string>& field = decoded.fields;
    if (!read_number(field[0], fewest_initial_balls, most_initial_balls,
                     row.settings.initial_ball_count)) {
        return refuse(Refusal::out_of_range,
                      range_reason(u8"Число шаров", fewest_initial_balls, most_initial_balls));
    }
    if (!read_number(field[1], fewest_colours, most_colours, row.settings.colour_count) ||
        (row.settings.colour_count == fewest_colours &&
         !two_colours_allowed(row.settings.initial_ball_count))) {
        return refuse(Refusal::out_of_range,
                      range_reason(u8"Число цветов", fewest_colours, most_colours) +
                          u8str(u8" Два цвета — только при ") +
                          std::to_string(most_balls_for_two_colours) + u8str(u8" шарах и меньше."));
    }
    const size_t blank = field[2].find(' ');
    if (blank == std::string::npos ||
        !read_number(std::string_view(field[2]).substr(0, blank), 1, most_rounds,
                     row.settings.round_count) ||
        !read_number(std::string_view(field[2]).substr(blank + 1), 1, most_lines_per_round,
                     row.settings.lines_per_round)) {
        return refuse(Refusal::out_of_range,
                      range_reason(u8"Раундов", 1, most_rounds) + " " +
                          range_reason(u8"Линий в раунде", 1, most_lines_per_round));
    }
    if (!read_number(field[3], 1, INT32_MAX, row.total_moves)) {
        return refuse(Refusal::out_of_range, range_reason(u8"Ходов", 1, INT32_MAX));
    }
    if (row.total_moves < line_count(row.settings)) {
        return refuse(Refusal::out_of_range,
                      u8"Ходов меньше, чем линий: каждая линия стоит хотя бы одного хода.");
    }
    const std::array<std::string*, 6> into = player_text_fields(row.utf8_texts);
    for (size_t i = 0; i < into.size(); ++i) {
        if (!read_text(field[4 + i], player_text_limits[i], *into[i])) {
            return refuse(Refusal::out_of_range, text_field_reason());
        }
    }
    row.link_key.resize(query.size());
    std::transform(query.begin(), query.end(), row.link_key.begin(),
                   [](char c) { return c >= 'A' && c <= 'F' ? char(c - 'A' + 'a') : c; });
    LinkReading reading;
    reading.row = std::move(row);
    return reading;
}

std::optional<std::string> player_texts_refusal(const PlayerTexts& utf8_texts) {
    const std::array<const std::string*, 6> texts = player_text_fields(utf8_texts);
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string ignored;
        const std::optional<std::string> text = cp1251_from_utf8(*texts[i]);
        if (!text) {
            return u8str(u8"В тексте есть знаки, которых нет в кириллице Windows (1251).");
        }
        if (!read_text(*text, player_text_limits[i], ignored)) {
            return text_field_reason();
        }
    }
    return std::nullopt;
}
