// The address of a settings class's own pages: /records/42-7-5x12 for its first page,
// /records/42-7-5x12/2 and on for the next, and /records/42-7-5x12/verified with its pages for
// the class's verified results alone. One address a page, read without the store.
#include "server/pages/class_address.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view class_prefix = "/records/";
constexpr std::string_view verified_part = "/verified";

// Far beyond any class's last page, and small enough that its first place fits an int64.
constexpr int64_t most_pages = int64_t(1) << 40;

// A number exactly as class_path writes it (no sign, no leading zero) within [low, high],
// taken from the front of text up to the separator, which must follow.
template <typename Number>
bool take_number(std::string_view& text, char separator, Number low, Number high, Number& value) {
    const size_t end = separator ? text.find(separator) : text.size();
    if (end == std::string_view::npos) {
        return false;
    }
    const std::string_view digits = text.substr(0, end);
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0') || digits[0] < '0' ||
        digits[0] > '9') {
        return false;
    }
    const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || stop != digits.data() + digits.size() || value < low ||
        value > high) {
        return false;
    }
    text.remove_prefix(separator ? end + 1 : end);
    return true;
}

} // namespace

std::string class_path(const TestSettings& settings, int64_t page, ClassView view) {
    std::string path = std::string(class_prefix) + std::to_string(settings.initial_ball_count) +
                       "-" + std::to_string(settings.colour_count) + "-" +
                       std::to_string(settings.round_count) + "x" +
                       std::to_string(settings.lines_per_round);
    if (view == ClassView::verified) {
        path += verified_part;
    }
    if (page > 1) {
        // Appended piecewise: GCC 12 misreads "/" + std::to_string(...) at -O2 as an overlapping
        // copy (-Werror=restrict).
        path += '/';
        path += std::to_string(page);
    }
    return path;
}

std::optional<ClassAddress> read_class_path(std::string_view path) {
    if (!path.starts_with(class_prefix)) {
        return std::nullopt;
    }
    path.remove_prefix(class_prefix.size());
    const size_t slash = std::min(path.find('/'), path.size());
    std::string_view settings = path.substr(0, slash);
    std::string_view rest = path.substr(slash);
    ClassAddress address;
    TestSettings& s = address.settings;
    if (!take_number(settings, '-', int32_t(fewest_initial_balls), int32_t(most_initial_balls),
                     s.initial_ball_count) ||
        !take_number(settings, '-', int32_t(fewest_colours), int32_t(most_colours),
                     s.colour_count) ||
        !take_number(settings, 'x', int32_t(1), most_rounds, s.round_count) ||
        !take_number(settings, '\0', int32_t(1), most_lines_per_round, s.lines_per_round)) {
        return std::nullopt;
    }
    if (rest.starts_with(verified_part) &&
        (rest.size() == verified_part.size() || rest[verified_part.size()] == '/')) {
        address.view = ClassView::verified;
        rest.remove_prefix(verified_part.size());
    }
    if (!rest.empty()) {
        rest.remove_prefix(1); // the slash before a page's number
        if (!take_number(rest, '\0', int64_t(2), most_pages, address.page)) {
            return std::nullopt;
        }
    }
    if (s.colour_count == fewest_colours && !two_colours_allowed(s.initial_ball_count)) {
        return std::nullopt;
    }
    return address;
}
