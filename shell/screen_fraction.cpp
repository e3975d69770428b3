// Command-line fraction parsing.
#include "shell/screen_fraction.h"

#include <cstdlib>

namespace {

// strtod reads the longest leading number straight from the argument, however long the text
// is, so nothing has to be cut or copied into a fixed buffer first.
float leading_number(const char* argument_text) {
    return argument_text ? float(std::strtod(argument_text, nullptr)) : 0.0f;
}

} // namespace

float parse_screen_fraction(const char* argument_text) {
    const float fraction = leading_number(argument_text);
    return fraction == 0.0f ? 1.0f : fraction;
}

bool screen_fraction_given(const char* argument_text) {
    return leading_number(argument_text) != 0.0f;
}
