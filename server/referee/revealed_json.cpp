// The referee's answer as JSON, written by hand: its shape is fixed and small.
#include "server/referee/revealed_json.h"

#include <cstdio>

namespace {

const char* step_name(StepKind kind) {
    switch (kind) {
    case StepKind::put:
        return "put";
    case StepKind::take:
        return "take";
    case StepKind::show:
        return "show";
    case StepKind::hide:
        return "hide";
    case StepKind::new_board:
        return "new_board";
    case StepKind::message:
        return "message";
    }
    return "";
}

void append_step(std::string& out, const BoardStep& step) {
    out += "[\"";
    out += step_name(step.kind);
    out += '"';
    const auto number = [&](int value) { out += ',' + std::to_string(value); };
    switch (step.kind) {
    case StepKind::put:
        number(step.column_or_slot), number(step.row), number(step.colour);
        break;
    case StepKind::take:
        number(step.column_or_slot), number(step.row);
        break;
    case StepKind::show:
        number(step.column_or_slot), number(step.colour);
        break;
    case StepKind::hide:
        number(step.column_or_slot);
        break;
    case StepKind::new_board:
    case StepKind::message:
        break;
    }
    out += ']';
}

template <typename Value, typename Append>
void append_by_id(std::string& out, const std::map<int, Value>& values, Append append_value) {
    out += '{';
    const char* separator = "";
    for (const auto& [id, value] : values) {
        out += separator;
        out += '"' + std::to_string(id) + "\":";
        append_value(value);
        separator = ",";
    }
    out += '}';
}

} // namespace

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (byte < 0x20 || ch == '<' || ch == '>' || ch == '&') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

std::string revealed_json(const Revealed& revealed) {
    std::string out = "{\"play\":" + std::to_string(revealed.play_number) + ",\"steps\":[";
    const char* separator = "";
    for (const BoardStep& step : revealed.steps) {
        out += separator;
        append_step(out, step);
        separator = ",";
    }
    out += "],\"preview\":[";
    separator = "";
    for (const int colour : revealed.preview) {
        out += separator;
        out += colour < 0 ? "null" : std::to_string(colour);
        separator = ",";
    }
    out += "],\"texts\":";
    append_by_id(out, revealed.texts, [&](const std::string& text) { out += json_string(text); });
    out += ",\"enabled\":";
    append_by_id(out, revealed.enabled, [&](bool on) { out += on ? "true" : "false"; });
    out += ",\"cursor\":";
    out += revealed.cross_cursor ? "\"cross\"" : "\"arrow\"";
    out += ",\"round\":" + std::to_string(revealed.round);
    out += ",\"over\":";
    out += revealed.over ? "true" : "false";
    out += '}';
    return out;
}
