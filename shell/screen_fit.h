// Which screen fractions let the whole game fit a maximized window's client area.
#pragma once

#include <cstdint>
#include <string>

struct Extent {
    int32_t width;
    int32_t height;
};

// The fractions offered are thousandths: what a person types, and fine enough that the
// next one up changes the board by at most a few pixels.
constexpr int fraction_steps = 1000;

// Whether the program, started with fraction_text on a screen of the given size, lays the
// grid, the preview column and the panel out inside a client area of the given size.
bool game_fits_client(Extent screen, Extent client, const char* fraction_text);

// The largest fraction, in thousandths and at most 1, that fits; 0 when none does.
int largest_fitting_fraction(Extent screen, Extent client);

// The fraction as the argument text a person types: "1.000", "0.826".
std::string fraction_text(int thousandths);

// The fraction the program starts with: the one its argument gives; otherwise the largest
// that fits the maximized window's client area on this screen, which is 1.0 wherever 1.0
// fits (and where nothing fits, 1.0 as well).
float starting_fraction(const char* argument_text, Extent screen, Extent client);
