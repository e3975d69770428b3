// What the page is answered, as JSON: a test's revealed state, or a refusal with its code and a
// Russian sentence the page shows as it is.
#pragma once

#include "server/play/referee_desk.h"
#include "server/referee/revealed_json.h"

#include <string>
#include <string_view>

struct PlayReply {
    int status = 200;
    std::string json;
    std::string retry_after; // seconds, when waiting helps
};

// {"test":"<id>", then the revealed fields} for a start, the revealed fields for a move.
PlayReply started_reply(const DeskAnswer& answer);
PlayReply played_reply(const DeskAnswer& answer);

// {"refused":"<code>","reason":"<sentence>"}.
PlayReply refusal_reply(int status, std::string_view code, std::string_view reason,
                        std::string retry_after = {});
// The refusal for a desk's answer or finished test that is not none.
PlayReply desk_refusal_reply(DeskRefusal refusal, RefereeRefusal referee_refusal,
                             std::string_view reason, const PlayLimits& limits);
// A body the page would never send, or not as JSON.
PlayReply bad_request_reply();
// Every referee thread busy and the queue full.
PlayReply busy_reply();
