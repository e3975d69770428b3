// The bodies the page sends to the referee, read strictly: one flat JSON object of known keys,
// each of its type, or nothing.
#pragma once

#include "engine/test_settings.h"
#include "record/settings_record.h"
#include "server/referee/referee.h"

#include <cstdint>
#include <optional>
#include <string_view>

// {"balls":42,"colours":7,"rounds":3,"lines":10}; whether the panel allows them is the
// referee's to judge.
std::optional<TestSettings> read_start_request(std::string_view body);

struct MoveRequest {
    int32_t play = 0;
    PlayRequest request;
};
// {"play":N,"from":[column,row],"to":[column,row]} or {"play":N,"skip":true}.
std::optional<MoveRequest> read_move_request(std::string_view body);

// {"nickname":"..","country":"..","city":"..","birth_year":"..","email":".."}, texts in UTF-8;
// the last two may be left out. Whether the texts fit the panel's edits is judged elsewhere.
std::optional<PlayerTexts> read_send_request(std::string_view body);
