// The accuracy as the score display shows it: lines per 1000 moves with three decimals.
#include "engine/accuracy_text.h"

#include <cstdio>

std::string accuracy_text(int32_t lines, int32_t moves) {
    // The quotient passes through a float on its way to the text; for large counts that
    // rounding shows in the third decimal, and the texts must stay the ones already shown.
    const float accuracy = float(double(lines) / moves * 1000.0);
    char text[40];
    std::snprintf(text, sizeof text, "%10.3f", accuracy);
    return text;
}
