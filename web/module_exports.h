// What the page calls: the module's exported entry points.
#pragma once

#include "web/page_link.h"

#include <cstdint>

extern "C" {

// Once, after the module's _initialize: the panel at start (the page hears every control)
// and a canvas of width x height. 0 for a side outside 1..largest_canvas_side.
PAGE_EXPORT("start") int trivelle_start(int width, int height);
// The canvas laid out anew for width x height and the board drawn whole on it; the pixels'
// address changes. 0, with nothing changed, for a side outside 1..largest_canvas_side.
PAGE_EXPORT("resize") int trivelle_resize(int width, int height);
// New with these settings, typed into the panel as a player would; seed stands for the
// clock that seeds the game. 0, with nothing started, while New is disabled or for a ball
// or colour count the panel does not offer.
PAGE_EXPORT("new_test")
int trivelle_new_test(int ball_count, int colour_count, int round_count, int lines_per_round,
                      uint32_t seed);
// A click on the board at a canvas pixel; then the board cursor is chosen again.
PAGE_EXPORT("click") void trivelle_click(int x, int y);
// The result of the finished test has been sent: New and the settings come back. 0 unless
// the test is over (Internet enabled).
PAGE_EXPORT("result_sent") int trivelle_result_sent();
// The canvas's pixels (see web/web_canvas.h), their size in bytes and the canvas's sides.
PAGE_EXPORT("pixels") const uint32_t* trivelle_pixels();
PAGE_EXPORT("pixels_bytes") int trivelle_pixels_bytes();
PAGE_EXPORT("width") int trivelle_width();
PAGE_EXPORT("height") int trivelle_height();
}
