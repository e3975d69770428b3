#include "render/ball_picture.h"
#include "render/ball_shades.h"
#include "render/ball_shading.h"
#include "render/colours.h"
#include "render/screen_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Plotted {
    int32_t x, y;
    double coverage;
};

void record(std::vector<Plotted>& into, int32_t x, int32_t y, double coverage) {
    into.push_back({x, y, coverage});
}

std::vector<Plotted> rim_of(int32_t radius) {
    std::vector<Plotted> plotted;
    walk_rim(0, 0, radius, plotted, record);
    return plotted;
}

void expect_rim(const std::vector<Plotted>& got, const std::vector<Plotted>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].x, want[i].x) << "plot " << i;
        EXPECT_EQ(got[i].y, want[i].y) << "plot " << i;
        EXPECT_NEAR(got[i].coverage, want[i].coverage, 1e-9) << "plot " << i;
    }
}

const int quadrants[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

// The plots of one step at (x, y) with T, in the order of the quadrants.
void add_step(std::vector<Plotted>& rim, int x, int y, double t) {
    for (const auto& q : quadrants) {
        rim.push_back({q[0] * x, q[1] * y, 1 - t});
        rim.push_back({q[0] * y, q[1] * x, 1 - t});
        if (y <= x - 1) {
            rim.push_back({q[0] * (x - 1), q[1] * y, t});
            rim.push_back({q[0] * y, q[1] * (x - 1), t});
        }
    }
}

std::vector<Plotted> axis_points(int r) { return {{-r, 0, 1}, {0, -r, 1}, {r, 0, 1}, {0, r, 1}}; }

TEST(RimWalk, SmallRadii) {
    expect_rim(rim_of(0), {{0, 0, 1}});
    // At y = 1 = x the circle has not moved inwards yet: only the axis points.
    expect_rim(rim_of(1), axis_points(1));

    std::vector<Plotted> two = axis_points(2);
    add_step(two, 2, 1, 0.2679491924311228); // 2 - sqrt(3)
    expect_rim(rim_of(2), two);

    std::vector<Plotted> three = axis_points(3);
    add_step(three, 3, 1, 0.1715728752538097); // 3 - sqrt(8)
    add_step(three, 3, 2, 0.7639320225002102); // 3 - sqrt(5)
    expect_rim(rim_of(3), three);
}

TEST(RimWalk, PairsCarryTheFullColourOnceAndStayNearTheCircle) {
    for (int32_t r = 1; r <= 39; ++r) {
        // Per octant and row v (the distance from the octant's axis), the coverage plotted
        // strictly inside the octant and the coverage-weighted distance u along its axis.
        double coverage[8][40] = {};
        double moment[8][40] = {};
        for (const Plotted& p : rim_of(r)) {
            const double distance = std::sqrt(double(p.x) * p.x + double(p.y) * p.y);
            EXPECT_LT(distance, r + 1.0) << "radius " << r;
            EXPECT_GT(distance, r - 2.0) << "radius " << r;
            EXPECT_GE(p.coverage, 0.0);
            EXPECT_LE(p.coverage, 1.0);
            for (int octant = 0; octant < 8; ++octant) {
                const int sx = octant & 1 ? -1 : 1;
                const int sy = octant & 2 ? -1 : 1;
                const int u = octant & 4 ? sy * p.y : sx * p.x;
                const int v = octant & 4 ? sx * p.x : sy * p.y;
                if (u > v && v > 0) {
                    coverage[octant][v] += p.coverage;
                    moment[octant][v] += p.coverage * u;
                }
            }
        }
        // Where the circle crosses row v between two pixels that both lie inside the octant,
        // they carry the colour once and their weighted middle lies on the circle.
        for (int v = 1; v < r; ++v) {
            const double u = std::sqrt(double(r) * r - double(v) * v);
            if (std::floor(u) <= v) {
                break;
            }
            for (int octant = 0; octant < 8; ++octant) {
                EXPECT_NEAR(coverage[octant][v], 1.0, 1e-9)
                    << "radius " << r << ", octant " << octant << ", row " << v;
                EXPECT_NEAR(moment[octant][v], u, 1e-9)
                    << "radius " << r << ", octant " << octant << ", row " << v;
            }
        }
    }
}

TEST(RimShade, RoundsHalvesToEven) {
    // r = 3 (highlight offset 1): the pixel (x + 1, y - 1) lies 2 from the highlight point,
    // so 4.5 - 2 = 2.5 gives shade 2, not 3.
    ASSERT_EQ(highlight_offset_for(3), 1);
    EXPECT_EQ(rim_shade_index(-1, -1, 1, -1, 3, BallStyle::normal), 2);
    // 4.5 - 1 = 3.5 gives 4; the selected style counts the distance itself.
    EXPECT_EQ(rim_shade_index(-1, -1, 0, -1, 3, BallStyle::normal), 4);
    EXPECT_EQ(rim_shade_index(-1, -1, 1, -1, 3, BallStyle::selected), 2);
    EXPECT_EQ(rim_shade_index(-12, -12, 20, 0, 33, BallStyle::selected), 34); // 34.41
    EXPECT_EQ(round_half_even(0.5), 0);
    EXPECT_EQ(round_half_even(1.5), 2);
    EXPECT_EQ(round_half_even(-0.5), 0);
}

// Every rim pixel's shade lies in the table, for every radius a sound layout can give
// and the preview radius derived from it.
TEST(RimShade, StaysWithinTheShadesOfEveryLayout) {
    for (int32_t board_width = smallest_sound_board_width; board_width <= 1400; ++board_width) {
        float fraction = 1.0f;
        const Geometry g = layout_for_screen(board_width, 768, fraction);
        for (BallSize size : {BallSize::board, BallSize::preview}) {
            const BallMeasure m = ball_measure(g.ball_radius, g.ring_count, size);
            const int32_t h = highlight_offset_for(m.radius);
            for (BallStyle style : {BallStyle::normal, BallStyle::selected}) {
                for (const Plotted& p : rim_of(m.radius - 1)) {
                    const int32_t j = rim_shade_index(-h, -h, p.x, p.y, m.radius, style);
                    ASSERT_GE(j, 0) << "radius " << m.radius;
                    ASSERT_LE(j, m.ring_count) << "radius " << m.radius;
                }
            }
        }
    }
}

TEST(BallMeasure, PreviewBallsAreFourFifths) {
    const BallMeasure preview = ball_measure(33, 52, BallSize::preview);
    EXPECT_EQ(preview.radius, 26);
    EXPECT_EQ(preview.ring_count, 42);
    EXPECT_EQ(highlight_offset_for(preview.radius), 9);
    const BallMeasure board = ball_measure(33, 52, BallSize::board);
    EXPECT_EQ(board.radius, 33);
    EXPECT_EQ(board.ring_count, 52);
    // 50 discs (radius 32): 50 * 4 / 5 + 1 = 41, where (50 + 1) * 4 / 5 would be 40.
    const BallMeasure preview_of_50 = ball_measure(32, 50, BallSize::preview);
    EXPECT_EQ(preview_of_50.radius, 25);
    EXPECT_EQ(preview_of_50.ring_count, 41);
}

TEST(RimBlend, CoverageMixesTheShadeWithTheCellGrey) {
    const uint32_t shade = rgb_colour(10, 20, 255);
    EXPECT_EQ(blend_with_cell_grey(shade, 1.0), shade);
    EXPECT_EQ(blend_with_cell_grey(shade, 0.0), rgb_colour(205, 205, 205));
    // 107.5, 112.5 and 230 truncate.
    EXPECT_EQ(blend_with_cell_grey(shade, 0.5), rgb_colour(107, 112, 230));
    EXPECT_EQ(blend_with_cell_grey(shade, 0.2679491924311228), rgb_colour(152, 155, 218));
}

} // namespace

namespace {

// A 9 x 9 cell picture (half 4) of a ball of radius 3 with 6 discs.
struct SmallPicture {
    static constexpr int32_t side = 9;
    uint8_t discs[side * side] = {};
    uint32_t colours[side * side] = {};
    BallMeasure measure{3, 6};
    uint32_t at(int32_t x, int32_t y) const { return colours[y * side + x]; }
    void compose(int colour, BallStyle style) {
        fill_shade_colours(measure.ring_count, ball_shades);
        compose_ball_picture({side, discs}, measure, colour, style, colours);
    }
};

TEST(BallPicture, TheRimLiesOverTheGreyAndTheDiscsOverTheRim) {
    SmallPicture p;
    p.compose(3, BallStyle::normal);
    // Only the rim of radius 2 about (4, 4) changes the grey square.
    std::vector<Plotted> plotted;
    walk_rim(4, 4, 2, plotted, record);
    std::vector<bool> on_rim(p.side * p.side);
    for (const Plotted& r : plotted) {
        on_rim[r.y * p.side + r.x] = true;
    }
    for (int32_t y = 0; y < p.side; ++y) {
        for (int32_t x = 0; x < p.side; ++x) {
            if (!on_rim[y * p.side + x]) {
                EXPECT_EQ(p.at(x, y), cell_colour) << x << "," << y;
            }
        }
    }
    // The axis point (2, 4) has full coverage: its shade, 4.5 - |(3,3)-(2,4)| = 3.09 -> 3.
    EXPECT_EQ(p.at(2, 4), ball_shades.shade_colour[3][3]);

    // Where discs lie, the smallest disc's shade covers everything.
    for (uint8_t& q : p.discs) {
        q = 2;
    }
    p.discs[4 * p.side + 4] = 1;
    p.compose(3, BallStyle::normal);
    EXPECT_EQ(p.at(2, 4), ball_shades.shade_colour[3][4]);
    EXPECT_EQ(p.at(4, 4), ball_shades.shade_colour[3][5]);
    p.compose(3, BallStyle::selected);
    EXPECT_EQ(p.at(2, 4), ball_shades.shade_colour[3][2]);
    EXPECT_EQ(p.at(4, 4), ball_shades.shade_colour[3][1]);
}

// Each disc from the outermost (q = 6, the whole ball) to the innermost gets its own shade:
// blue with 6 discs steps by 235 / 6 = 39, so shade j is RGB(39j, 39j, 255).
TEST(BallPicture, EveryDiscOutermostIncludedGetsItsShade) {
    struct Case {
        int32_t x, q;
        uint32_t normal, selected;
    };
    const Case cases[] = {
        {1, 6, rgb_colour(0, 0, 255), rgb_colour(234, 234, 255)},
        {2, 5, rgb_colour(39, 39, 255), rgb_colour(195, 195, 255)},
        {3, 3, rgb_colour(117, 117, 255), rgb_colour(117, 117, 255)},
        {4, 1, rgb_colour(195, 195, 255), rgb_colour(39, 39, 255)},
    };
    SmallPicture p;
    for (const Case& c : cases) {
        p.discs[4 * p.side + c.x] = uint8_t(c.q);
    }
    p.compose(0, BallStyle::normal);
    for (const Case& c : cases) {
        EXPECT_EQ(p.at(c.x, 4), c.normal) << "normal, disc " << c.q;
    }
    p.compose(0, BallStyle::selected);
    for (const Case& c : cases) {
        EXPECT_EQ(p.at(c.x, 4), c.selected) << "selected, disc " << c.q;
    }
}

} // namespace
