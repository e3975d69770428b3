// Reads the screen fraction from the command-line argument text.
#pragma once

// The argument's leading decimal number as a single-precision value; 1.0 when there is
// no number or it is 0 as a float. No range check: the layout bounds it later.
float parse_screen_fraction(const char* argument_text);
