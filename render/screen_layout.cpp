// Layout arithmetic in the single-precision steps and truncations the board relies on.
#include "render/screen_layout.h"

#include "render/ball_shades.h"
#include "render/ball_shading.h"
#include "render/panel_extent.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

// The panel turns pixel lengths into signed 16-bit dialog units with p * 4 / baseX and
// p * 8 / baseY. With base units of 6 or more (no system font is narrower), lengths up
// to these stay inside the 16-bit range; two pixels are kept in hand for the panel's own
// extended-precision rounding of its layout units.
constexpr int64_t longest_horizontal_length = 32767 * 6 / 4 - 2;
constexpr int64_t longest_vertical_length = 32767 * 6 / 8 - 2;

// Real screens are far smaller; this keeps the arithmetic below defined for any input.
constexpr int32_t largest_screen_side = 32767;

int32_t clamp_side(int32_t side) {
    return side < 1 ? 1 : side > largest_screen_side ? largest_screen_side : side;
}

// The single-precision product of two singles: the exact product fits a double, so one
// conversion rounds it once, on every floating-point unit.
float single_product(float a, float b) { return float(double(a) * double(b)); }

// The layout steps in 64-bit integers, so that any fraction can be judged without overflow.
struct WideLayout {
    int64_t side_margin, board_width, board_height, half_cell, cell_size, grid_left, grid_top;
    float used_fraction;
};

// False when the board width itself leaves the 32-bit range.
bool wide_layout(int32_t w, int32_t h, float f, WideLayout& out) {
    const float wf = float(w);
    const float t = single_product(f, wf);
    if (!(t < 2147483648.0f)) {
        return false;
    }
    const int64_t w0 = int64_t(t);
    out.side_margin = (w - w0) / 2;
    out.board_width = w - 2 * out.side_margin;
    out.used_fraction = float(double(out.board_width) / double(wf));
    out.board_height = int64_t(single_product(out.used_fraction, float(h)));
    // board_width * 0.035 and * 0.182 as the layout has always truncated them.
    out.half_cell = 7 * out.board_width / 200;
    if (out.board_width >= 1) {
        out.grid_left = (182 * out.board_width - 1) / 1000 + out.side_margin;
    } else {
        out.grid_left = out.side_margin; // never used: such boards are refused
    }
    out.cell_size = 2 * out.half_cell + 2;
    out.grid_top = (h - 55 - 8 * out.cell_size) / 2 - 1;
    return true;
}

bool wide_enough(int32_t w, int32_t h, float f) {
    WideLayout l;
    return !wide_layout(w, h, f, l) || l.board_width >= smallest_sound_board_width;
}

int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }

// Whether every length the panel converts to dialog units, and every layout value, fits.
bool fits(int32_t w, int32_t h, float f) {
    WideLayout l;
    if (!wide_layout(w, h, f, l) || l.board_height > INT32_MAX) {
        return false;
    }
    // The board width is below 2^31 here: it is within one of a truncated single below 2^31.
    const auto board_width = int32_t(l.board_width);
    const int64_t horizontal[] = {9 * l.cell_size + l.grid_left + 1,
                                  panel_width_pixels(board_width), link_bitmap_left(board_width)};
    const int64_t vertical[] = {l.grid_top + 1, 8 * l.cell_size - 2,
                                layout_to_pixels(panel_lowest_row_top, board_width)};
    for (int64_t p : horizontal) {
        if (magnitude(p) > longest_horizontal_length) {
            return false;
        }
    }
    for (int64_t p : vertical) {
        if (magnitude(p) > longest_vertical_length) {
            return false;
        }
    }
    return true;
}

uint32_t bits_of(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float float_of(uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// Positive singles sort like their bit patterns. Finds the first pattern in [lo, hi] for
// which the test holds, given that it holds at hi and, from its first success on, after.
template <typename Test> uint32_t first_passing(uint32_t lo, uint32_t hi, Test test) {
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (test(float_of(mid))) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

} // namespace

float sound_screen_fraction(int32_t screen_width, int32_t screen_height, float fraction) {
    const int32_t w = clamp_side(screen_width);
    const int32_t h = clamp_side(screen_height);
    float f = std::isfinite(fraction) && fraction > 0.0f ? fraction : 1.0f;
    if (!wide_enough(w, h, f)) {
        f = float_of(first_passing(bits_of(f), bits_of(FLT_MAX),
                                   [&](float g) { return wide_enough(w, h, g); }));
    }
    if (!fits(w, h, f)) {
        // The last fitting fraction is the one before the first that fails.
        const uint32_t failing =
            first_passing(bits_of(FLT_MIN), bits_of(f), [&](float g) { return !fits(w, h, g); });
        f = float_of(failing - 1);
    }
    return f;
}

Geometry layout_for_screen(int32_t screen_width, int32_t screen_height, float& fraction) {
    const int32_t w = clamp_side(screen_width);
    const int32_t h = clamp_side(screen_height);
    WideLayout l{};
    wide_layout(w, h, fraction, l);
    fraction = l.used_fraction;

    Geometry g{};
    g.side_margin = int32_t(l.side_margin);
    g.board_width = int32_t(l.board_width);
    g.board_height = int32_t(l.board_height);
    g.half_cell = int32_t(l.half_cell);
    g.ball_radius = g.half_cell - 2 > 40 ? 40 : g.half_cell - 2;
    g.cell_size = int32_t(l.cell_size);
    g.grid_left = int32_t(l.grid_left);
    g.grid_top = int32_t(l.grid_top);
    g.cell0_centre_x = g.grid_left + g.half_cell + 1;
    g.cell0_centre_y = g.grid_top + g.half_cell + 1;

    // The product is rounded to single before it is rounded to a whole number.
    g.highlight_offset = round_half_even(float(double(g.ball_radius) * highlight_offset_factor));
    const int32_t h2 = g.highlight_offset;
    int32_t m = int32_t(h2 * 1.4142135623731);
    if (m * m != 2 * h2 * h2) {
        ++m;
    }
    g.ring_count = g.ball_radius + m + 2;
    return g;
}

void compute_layout_and_shades(int32_t screen_width, int32_t screen_height, float& fraction) {
    fraction = sound_screen_fraction(screen_width, screen_height, fraction);
    geometry = layout_for_screen(screen_width, screen_height, fraction);
    fill_shade_colours(geometry.ring_count, ball_shades);
}
