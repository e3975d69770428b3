// Command-line fraction parsing.
#include "shell/screen_fraction.h"

#include <cstdlib>

float parse_screen_fraction(const char* argument_text) {
    // strtod reads the longest leading number straight from the argument, however long
    // the text is, so nothing has to be cut or copied into a fixed buffer first.
    const float fraction = argument_text ? float(std::strtod(argument_text, nullptr)) : 0.0f;
    return fraction == 0.0f ? 1.0f : fraction;
}
