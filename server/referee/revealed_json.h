// An answer of the referee as the page reads it: one small JSON object of a stable shape.
#pragma once

#include "server/referee/revealed.h"

#include <string>
#include <string_view>

// {"play":N,                    0 for the start, then each answered move or skip
//  "steps":[...],               in order: ["put",column,row,colour], ["take",column,row],
//                               ["show",slot,colour], ["hide",slot], ["new_board"], ["message"]
//  "preview":[c,c,c,c,c],       colour per slot, null for an empty one
//  "texts":{"102":"1*1000/3"},  each control set, by id, its last text
//  "enabled":{"2110":true},     each control enabled or disabled, by id, its last state
//  "cursor":"arrow"|"cross", "round":R, "over":false}
// Colours count from 0, cells from the top-left corner (column, row each 0..7).
std::string revealed_json(const Revealed& revealed);

// A JSON string of UTF-8 text; <, > and & escaped too, so that it is safe inside a page's script.
std::string json_string(std::string_view text);
