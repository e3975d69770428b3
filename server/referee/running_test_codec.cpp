// Field by field rather than the structs' memory: padding and layout are the compiler's, and
// services of one deployment may be built apart.
#include "server/referee/running_test_codec.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

constexpr uint8_t codec_version = 1;
// Far above anything one request shows (a round's board and panel), so that a damaged length
// cannot make the decoder reserve memory for it.
constexpr uint32_t most_items = 4096;

class Writer {
  public:
    template <typename Int> void number(Int value) {
        using Unsigned = std::make_unsigned_t<Int>;
        auto bits = static_cast<Unsigned>(value);
        for (size_t i = 0; i < sizeof(Int); ++i) {
            out_ += char(uint8_t(bits & 0xff));
            bits = Unsigned(bits >> 4 >> 4); // two shifts: a one-byte Int has no 8-bit shift
        }
    }
    template <typename Int, size_t n> void numbers(const Int (&values)[n]) {
        for (const Int value : values) {
            number(value);
        }
    }
    void text(const std::string& value) {
        number(uint32_t(value.size()));
        out_ += value;
    }
    std::string take() { return std::move(out_); }

  private:
    std::string out_;
};

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    template <typename Int> Int number() {
        using Unsigned = std::make_unsigned_t<Int>;
        if (bytes_.size() < sizeof(Int)) {
            failed_ = true;
            return 0;
        }
        Unsigned bits = 0;
        for (size_t i = sizeof(Int); i-- > 0;) {
            bits = Unsigned(bits << 4 << 4 | static_cast<uint8_t>(bytes_[i]));
        }
        bytes_.remove_prefix(sizeof(Int));
        return static_cast<Int>(bits);
    }
    template <typename Int, size_t n> void numbers(Int (&values)[n]) {
        for (Int& value : values) {
            value = number<Int>();
        }
    }
    uint32_t count() {
        const auto n = number<uint32_t>();
        failed_ = failed_ || n > most_items;
        return failed_ ? 0 : n;
    }
    std::string text() {
        const auto length = number<uint32_t>();
        if (failed_ || length > bytes_.size()) {
            failed_ = true;
            return {};
        }
        std::string value(bytes_.substr(0, length));
        bytes_.remove_prefix(length);
        return value;
    }
    bool whole() const { return !failed_ && bytes_.empty(); }

  private:
    std::string_view bytes_;
    bool failed_ = false;
};

// One list of the fields both ways, so that the writer and the reader cannot disagree.
template <typename Codec, typename State> void state_fields(Codec& codec, State& s) {
    auto field = [&codec](auto& value) {
        if constexpr (std::is_same_v<Codec, Writer>) {
            codec.number(value);
        } else {
            value = codec.template number<std::remove_cvref_t<decltype(value)>>();
        }
    };
    field(s.settings.initial_ball_count);
    field(s.settings.colour_count);
    field(s.settings.round_count);
    field(s.settings.lines_per_round);
    field(s.current_round);
    field(s.lines_this_round);
    field(s.total_lines);
    field(s.total_moves);
    field(s.ball_count);
    codec.numbers(s.board);
    codec.numbers(s.marks);
    codec.numbers(s.free_columns);
    codec.numbers(s.free_rows);
    field(s.free_last);
    codec.numbers(s.preview_colours);
    field(s.preview_count);
    field(s.scoring_enabled);
    field(s.selection_active);
    field(s.selected_column);
    field(s.selected_row);
    field(s.selected_value);
    field(s.random_state);
}

void write_revealed(Writer& out, const Revealed& revealed) {
    out.number(uint32_t(revealed.steps.size()));
    for (const BoardStep& step : revealed.steps) {
        out.number(uint8_t(step.kind));
        out.number(int32_t(step.column_or_slot));
        out.number(int32_t(step.row));
        out.number(int32_t(step.colour));
    }
    out.number(uint32_t(revealed.texts.size()));
    for (const auto& [id, text] : revealed.texts) {
        out.number(int32_t(id));
        out.text(text);
    }
    out.number(uint32_t(revealed.enabled.size()));
    for (const auto& [id, on] : revealed.enabled) {
        out.number(int32_t(id));
        out.number(uint8_t(on));
    }
    out.number(int32_t(revealed.play_number));
    out.number(uint8_t(revealed.cross_cursor));
    for (const int colour : revealed.preview) {
        out.number(int32_t(colour));
    }
    out.number(revealed.round);
    out.number(uint8_t(revealed.over));
}

Revealed read_revealed(Reader& in) {
    Revealed revealed;
    for (uint32_t n = in.count(); n > 0; --n) {
        BoardStep step{};
        const auto kind = in.number<uint8_t>();
        step.kind = kind <= uint8_t(StepKind::message) ? StepKind(kind) : StepKind::message;
        step.column_or_slot = in.number<int32_t>();
        step.row = in.number<int32_t>();
        step.colour = in.number<int32_t>();
        revealed.steps.push_back(step);
    }
    for (uint32_t n = in.count(); n > 0; --n) {
        const auto id = in.number<int32_t>();
        revealed.texts[id] = in.text();
    }
    for (uint32_t n = in.count(); n > 0; --n) {
        const auto id = in.number<int32_t>();
        revealed.enabled[id] = in.number<uint8_t>() != 0;
    }
    revealed.play_number = in.number<int32_t>();
    revealed.cross_cursor = in.number<uint8_t>() != 0;
    for (int& colour : revealed.preview) {
        colour = in.number<int32_t>();
    }
    revealed.round = in.number<int32_t>();
    revealed.over = in.number<uint8_t>() != 0;
    return revealed;
}

void write_cell(Writer& out, Cell cell) {
    out.number(int8_t(cell.column));
    out.number(int8_t(cell.row));
}

Cell read_cell(Reader& in) {
    const auto column = in.number<int8_t>();
    return {column, in.number<int8_t>()};
}

} // namespace

std::string encode_running_test(const RunningTest& test) {
    Writer out;
    out.number(codec_version);
    GameState state = test.state;
    state_fields(out, state);
    for (const uint8_t byte : test.seed.key) {
        out.number(byte);
    }
    out.number(test.answered);
    out.number(uint8_t(test.last_request.skip));
    write_cell(out, test.last_request.from);
    write_cell(out, test.last_request.to);
    write_revealed(out, test.last_answer);
    return out.take();
}

std::optional<RunningTest> decode_running_test(std::string_view bytes) {
    Reader in(bytes);
    if (in.number<uint8_t>() != codec_version) {
        return std::nullopt;
    }
    RunningTest test;
    state_fields(in, test.state);
    for (uint8_t& byte : test.seed.key) {
        byte = in.number<uint8_t>();
    }
    test.answered = in.number<int32_t>();
    test.last_request.skip = in.number<uint8_t>() != 0;
    test.last_request.from = read_cell(in);
    test.last_request.to = read_cell(in);
    test.last_answer = read_revealed(in);
    if (!in.whole()) {
        return std::nullopt;
    }
    return test;
}
