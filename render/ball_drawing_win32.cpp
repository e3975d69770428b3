// Ball drawing the plain way: erase, outline, Wu rim, then discs lighter towards the highlight.
#include "render/ball_drawing_win32.h"

#include "render/ball_discs.h"
#include "render/ball_shades.h"
#include "render/geometry.h"
#include "render/geometry_win32.h"
#include "render/offscreen_canvas_win32.h"

namespace {

// The ball the rim walk is painting, handed to plot_rim_pixel with each of its pixels.
struct BallInProgress {
    const HDC* contexts;
    int context_count;
    int highlight_x;
    int highlight_y;
    int radius;
    int ring_count;
    int colour;
    BallStyle style;
};

// One rim pixel of the ball, blended with the cell grey by coverage a.
void plot_rim_pixel(const BallInProgress& ball, int32_t px, int32_t py, double a) {
    int32_t j =
        rim_shade_index(ball.highlight_x, ball.highlight_y, px, py, ball.radius, ball.style);
    // A sound layout keeps j in 0..ring_count; the bound only guards the table.
    j = j < 0 ? 0 : j > ball.ring_count ? ball.ring_count : j;
    const COLORREF blended = blend_with_cell_grey(ball_shades.shade_colour[ball.colour][j], a);
    for (int k = 0; k < ball.context_count; ++k) {
        SetPixelV(ball.contexts[k], px, py, blended);
    }
}

} // namespace

bool paint_ball_rim(const HDC* contexts, int context_count, int x, int y, int colour,
                    BallStyle style, BallMeasure measure) {
    const int r = measure.radius;
    const int n = measure.ring_count;
    if (colour < 0 || colour >= ball_colour_count || r < 1 || n < 1 || n >= shade_capacity) {
        return false; // nothing a sound layout and the engine ever ask for
    }
    const int h = highlight_offset_for(r);
    const BallInProgress ball{contexts, context_count, x - h, y - h, r, n, colour, style};
    walk_rim(x, y, r - 1, ball, plot_rim_pixel);
    return true;
}

void paint_ball_layers(const HDC* contexts, int context_count, int x, int y, int colour,
                       BallStyle style, BallMeasure measure) {
    const int r = measure.radius;
    const int n = measure.ring_count;
    const EllipseBox box = ball_outline_box(x, y, r);
    HRGN outline = CreateEllipticRgn(box.left, box.top, box.right, box.bottom);
    if (!paint_ball_rim(contexts, context_count, x, y, colour, style, measure)) {
        DeleteObject(outline);
        return;
    }
    const int h = highlight_offset_for(r);
    const int highlight_x = x - h;
    const int highlight_y = y - h;
    int shade = style == BallStyle::normal ? 0 : n;
    for (int i = 0; i < n; ++i) {
        const int q = n - i;
        const EllipseBox disc_box = shading_disc_box(highlight_x, highlight_y, q);
        HRGN disc = CreateEllipticRgn(disc_box.left, disc_box.top, disc_box.right, disc_box.bottom);
        CombineRgn(disc, disc, outline, RGN_AND);
        for (int k = 0; k < context_count; ++k) {
            FillRgn(contexts[k], disc, shade_brush[colour][shade]);
        }
        shade += style == BallStyle::normal ? 1 : -1;
        DeleteObject(disc);
    }
    DeleteObject(outline);
}

void draw_ball_directly(int x, int y, int colour, BallStyle style, BallSize size) {
    paint_cell_square(x, y);
    const HDC contexts[] = {offscreen_canvas.canvas_dc, offscreen_canvas.window_dc};
    paint_ball_layers(contexts, 2, x, y, colour, style,
                      ball_measure(geometry.ball_radius, geometry.ring_count, size));
}
