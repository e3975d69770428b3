// Random play through the engine's own handlers, over the fake panel and the recording
// drawing, with the engine's invariants checked after every action.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Starts from a panel filled from stored_record (as start-up fills it; empty for none) and
// performs `actions` random actions: clicks on balls, on empty cells and outside the grid,
// mouse moves over the board, and clicks on New, Skip and Internet whenever they are enabled.
// Returns an empty text, or what the first broken invariant was and after which action.
std::string play_randomly(uint32_t seed, int actions, std::string_view stored_record);
