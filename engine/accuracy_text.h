// The accuracy as the score display shows it: lines per 1000 moves with three decimals.
#pragma once

#include <cstdint>
#include <string>

// Ten characters, blank-padded on the left ("%10.3f" of the quotient held as a float, as the
// display always showed it). Moves must not be 0.
std::string accuracy_text(int32_t lines, int32_t moves);
