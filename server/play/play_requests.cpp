// A small JSON reader for exactly what the page sends: objects of numbers, booleans, strings
// and pairs of numbers, nothing nested deeper, no key twice.
#include "server/play/play_requests.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace {

struct Pair {
    int32_t first = 0;
    int32_t second = 0;
};
using Value = std::variant<int64_t, bool, std::string, Pair>;
using Object = std::map<std::string, Value, std::less<>>;

class JsonReader {
  public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    std::optional<Object> object() {
        Object fields;
        if (!take('{')) {
            return std::nullopt;
        }
        if (!take('}')) {
            do {
                std::optional<std::string> key = string();
                if (!key || !take(':')) {
                    return std::nullopt;
                }
                std::optional<Value> value = any_value();
                if (!value || !fields.emplace(std::move(*key), std::move(*value)).second) {
                    return std::nullopt;
                }
            } while (take(','));
            if (!take('}')) {
                return std::nullopt;
            }
        }
        skip_blanks();
        return at_ == text_.size() ? std::optional(std::move(fields)) : std::nullopt;
    }

  private:
    void skip_blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }
    bool take(char expected) {
        skip_blanks();
        if (at_ < text_.size() && text_[at_] == expected) {
            ++at_;
            return true;
        }
        return false;
    }
    bool take_word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    std::optional<Value> any_value() {
        skip_blanks();
        if (at_ >= text_.size()) {
            return std::nullopt;
        }
        const char first = text_[at_];
        if (first == '"') {
            std::optional<std::string> text = string();
            return text ? std::optional<Value>(std::move(*text)) : std::nullopt;
        }
        if (first == '[') {
            ++at_;
            std::optional<int64_t> a = number();
            if (!a || !take(',')) {
                return std::nullopt;
            }
            std::optional<int64_t> b = number();
            if (!b || !take(']') || *a < INT32_MIN || *a > INT32_MAX || *b < INT32_MIN ||
                *b > INT32_MAX) {
                return std::nullopt;
            }
            return Pair{int32_t(*a), int32_t(*b)};
        }
        if (take_word("true")) {
            return true;
        }
        if (take_word("false")) {
            return false;
        }
        std::optional<int64_t> n = number();
        return n ? std::optional<Value>(*n) : std::nullopt;
    }

    // An integer of at most 18 digits, without fraction or exponent.
    std::optional<int64_t> number() {
        skip_blanks();
        const size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') {
            ++at_;
        }
        const size_t digits = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            ++at_;
        }
        const size_t count = at_ - digits;
        if (count == 0 || count > 18 || (count > 1 && text_[digits] == '0')) {
            return std::nullopt;
        }
        int64_t value = 0;
        std::from_chars(text_.data() + start, text_.data() + at_, value);
        return value;
    }

    std::optional<unsigned> hex4() {
        if (text_.size() - at_ < 4) {
            return std::nullopt;
        }
        unsigned value = 0;
        const auto [end, error] =
            std::from_chars(text_.data() + at_, text_.data() + at_ + 4, value, 16);
        if (error != std::errc() || end != text_.data() + at_ + 4) {
            return std::nullopt;
        }
        at_ += 4;
        return value;
    }

    static void append_utf8(std::string& out, char32_t c) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }

    // The escape after a backslash; a surrogate only as a whole pair.
    bool escape(std::string& out) {
        if (at_ >= text_.size()) {
            return false;
        }
        const char kind = text_[at_++];
        static constexpr std::string_view from = "\"\\/bfnrt";
        static constexpr std::string_view to = "\"\\/\b\f\n\r\t";
        if (const size_t i = from.find(kind); i != std::string_view::npos) {
            out += to[i];
            return true;
        }
        if (kind != 'u') {
            return false;
        }
        std::optional<unsigned> unit = hex4();
        if (!unit || (*unit >= 0xDC00 && *unit < 0xE000)) {
            return false;
        }
        char32_t c = *unit;
        if (*unit >= 0xD800 && *unit < 0xDC00) {
            if (!take_word("\\u")) {
                return false;
            }
            std::optional<unsigned> low = hex4();
            if (!low || *low < 0xDC00 || *low >= 0xE000) {
                return false;
            }
            c = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
        }
        append_utf8(out, c);
        return true;
    }

    // A string's raw bytes must be well-formed UTF-8 without control characters.
    bool raw_character(std::string& out) {
        const auto lead = static_cast<unsigned char>(text_[at_]);
        if (lead < 0x20) {
            return false;
        }
        const size_t length = lead < 0x80                   ? 1
                              : lead >= 0xC2 && lead < 0xE0 ? 2
                              : lead >= 0xE0 && lead < 0xF0 ? 3
                              : lead >= 0xF0 && lead < 0xF5 ? 4
                                                            : 0;
        if (length == 0 || text_.size() - at_ < length) {
            return false;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text_[at_ + i]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = c << 6 | (next & 0x3F);
        }
        constexpr char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < shortest[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            return false;
        }
        out.append(text_.substr(at_, length));
        at_ += length;
        return true;
    }

    std::optional<std::string> string() {
        if (!take('"')) {
            return std::nullopt;
        }
        std::string out;
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] == '\\') {
                ++at_;
                if (!escape(out)) {
                    return std::nullopt;
                }
            } else if (!raw_character(out)) {
                return std::nullopt;
            }
        }
        if (at_ >= text_.size()) {
            return std::nullopt;
        }
        ++at_;
        return out;
    }

    std::string_view text_;
    size_t at_ = 0;
};

// The object's fields, each of the keys given and no other.
std::optional<Object> fields_of(std::string_view body,
                                std::initializer_list<std::string_view> keys) {
    std::optional<Object> fields = JsonReader(body).object();
    if (!fields) {
        return std::nullopt;
    }
    for (const auto& [key, value] : *fields) {
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
            return std::nullopt;
        }
    }
    return fields;
}

template <typename T> const T* field(const Object& fields, std::string_view key) {
    const auto found = fields.find(key);
    return found == fields.end() ? nullptr : std::get_if<T>(&found->second);
}

std::optional<int32_t> int32_field(const Object& fields, std::string_view key) {
    const int64_t* value = field<int64_t>(fields, key);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) {
        return std::nullopt;
    }
    return int32_t(*value);
}

} // namespace

std::optional<TestSettings> read_start_request(std::string_view body) {
    const std::optional<Object> fields = fields_of(body, {"balls", "colours", "rounds", "lines"});
    if (!fields) {
        return std::nullopt;
    }
    const auto balls = int32_field(*fields, "balls");
    const auto colours = int32_field(*fields, "colours");
    const auto rounds = int32_field(*fields, "rounds");
    const auto lines = int32_field(*fields, "lines");
    if (!balls || !colours || !rounds || !lines) {
        return std::nullopt;
    }
    return TestSettings{*balls, *colours, *rounds, *lines};
}

std::optional<MoveRequest> read_move_request(std::string_view body) {
    const std::optional<Object> fields = fields_of(body, {"play", "from", "to", "skip"});
    if (!fields) {
        return std::nullopt;
    }
    const auto play = int32_field(*fields, "play");
    if (!play || fields->size() != 2 + (fields->contains("skip") ? 0 : 1)) {
        return std::nullopt;
    }
    if (const bool* skip = field<bool>(*fields, "skip")) {
        return *skip ? std::optional(MoveRequest{*play, {true, {}, {}}}) : std::nullopt;
    }
    const Pair* from = field<Pair>(*fields, "from");
    const Pair* to = field<Pair>(*fields, "to");
    if (!from || !to) {
        return std::nullopt;
    }
    return MoveRequest{*play, {false, {from->first, from->second}, {to->first, to->second}}};
}

std::optional<PlayerTexts> read_send_request(std::string_view body) {
    const std::optional<Object> fields =
        fields_of(body, {"nickname", "country", "city", "birth_year", "email"});
    if (!fields) {
        return std::nullopt;
    }
    PlayerTexts texts;
    const struct {
        std::string_view key;
        std::string* into;
        bool required;
    } wanted[] = {{"nickname", &texts.nickname, true},
                  {"country", &texts.country, true},
                  {"city", &texts.city, true},
                  {"birth_year", &texts.birth_year, false},
                  {"email", &texts.email, false}};
    for (const auto& [key, into, required] : wanted) {
        const std::string* value = field<std::string>(*fields, key);
        if (value) {
            *into = *value;
        } else if (required || fields->contains(key)) {
            return std::nullopt;
        }
    }
    return texts;
}
