// A running test as bytes for the store, and back: every field of the engine's record, the
// secret and the last answer, little-endian, behind a version byte.
#pragma once

#include "server/referee/referee.h"

#include <optional>
#include <string>
#include <string_view>

std::string encode_running_test(const RunningTest& test);
// Nothing for bytes this build did not write (another version, cut short, trailing bytes).
std::optional<RunningTest> decode_running_test(std::string_view bytes);
