// Composes a ball's cell picture in memory, layer by layer in the order of the plain drawing.
#include "render/ball_picture.h"

#include "render/ball_shades.h"
#include "render/colours.h"

namespace {

// The picture the rim walk is writing into, handed to plot_into_picture with each pixel.
struct RimTarget {
    uint32_t* colours;
    int32_t side;
    int32_t highlight;
    BallMeasure measure;
    int colour;
    BallStyle style;
};

void plot_into_picture(const RimTarget& target, int32_t px, int32_t py, double coverage) {
    if (px < 0 || py < 0 || px >= target.side || py >= target.side) {
        return;
    }
    int32_t j = rim_shade_index(target.highlight, target.highlight, px, py, target.measure.radius,
                                target.style);
    j = j < 0 ? 0 : j > target.measure.ring_count ? target.measure.ring_count : j;
    target.colours[py * target.side + px] =
        blend_with_cell_grey(ball_shades.shade_colour[target.colour][j], coverage);
}

} // namespace

void compose_ball_picture(const DiscMap& discs, BallMeasure measure, int colour, BallStyle style,
                          uint32_t* colours) {
    const int32_t side = discs.side;
    const int32_t half = side / 2;
    const int32_t pixels = side * side;
    for (int32_t i = 0; i < pixels; ++i) {
        colours[i] = cell_colour;
    }
    const int32_t highlight = half - highlight_offset_for(measure.radius);
    const RimTarget target{colours, side, highlight, measure, colour, style};
    walk_rim(half, half, measure.radius - 1, target, plot_into_picture);
    const int32_t n = measure.ring_count;
    for (int32_t i = 0; i < pixels; ++i) {
        const int32_t q = discs.smallest_disc[i];
        if (q > 0 && q <= n) {
            colours[i] = ball_shades.shade_colour[colour][style == BallStyle::normal ? n - q : q];
        }
    }
}
