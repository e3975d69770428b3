// The referee's answers as the page receives them: their JSON read, and their steps applied to
// the board the page keeps.
#pragma once

#include "tests/server/referee_player.h"

#include <boost/json.hpp>

#include <string>

// The answer's object; empty if the text is no JSON object.
boost::json::object answer_object(const std::string& body);

// The answer's steps and preview applied to the board, as the page applies them.
void apply_answer(PageBoard& board, const boost::json::object& answer);
