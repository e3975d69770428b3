// Reads the screen fraction from the command-line argument text.
#pragma once

// The argument's leading decimal number as a single-precision value; 1.0 when there is
// no number or it is 0 as a float. No range check: the layout bounds it later.
float parse_screen_fraction(const char* argument_text);

// Whether the argument gives a fraction of its own, one that parse_screen_fraction does not
// replace by 1.0.
bool screen_fraction_given(const char* argument_text);
