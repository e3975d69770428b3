// What the page calls: the module's exported entry points. The module is a view of the
// referee's answers: it judges clicks and draws, and plays nothing.
#pragma once

#include "web/page_link.h"

#include <cstdint>

extern "C" {

// Once, after the module's _initialize: the panel at start (the page hears every control)
// and the board laid out for a box of width x height pixels (see web/web_canvas.h). 0 for a
// side outside 1..largest_canvas_side.
PAGE_EXPORT("start") int trivelle_start(int width, int height);
// The board laid out anew for a box of width x height and drawn whole; the pixels' address
// and the canvas's sides change. 0, with nothing changed, for a side outside the bound.
PAGE_EXPORT("resize") int trivelle_resize(int width, int height);
// The canvas's pixels (see web/web_canvas.h), their size in bytes and the canvas's sides.
PAGE_EXPORT("pixels") const uint32_t* trivelle_pixels();
PAGE_EXPORT("pixels_bytes") int trivelle_pixels_bytes();
PAGE_EXPORT("width") int trivelle_width();
PAGE_EXPORT("height") int trivelle_height();
// The canvas pixel of a cell's centre (column 0..7, or -2 for the preview column; row 0..7),
// -1 outside those, and the distance between cells.
PAGE_EXPORT("cell_x") int trivelle_cell_x(int column);
PAGE_EXPORT("cell_y") int trivelle_cell_y(int row);
PAGE_EXPORT("cell_pitch") int trivelle_cell_pitch();

// A click or tap at a canvas pixel, judged as the program judges it. A move the referee is
// to play comes back as from_column << 12 | from_row << 8 | to_column << 4 | to_row, already
// drawn; -1 for a click that only selects, or does nothing.
PAGE_EXPORT("click") int trivelle_click(int x, int y);
// The move on its way undone, its ball back in its cell: 0 without one.
PAGE_EXPORT("take_back") int trivelle_take_back();

// An answer, applied in its order: its steps, then its preview (colour -1 for an empty slot),
// texts and enabled states, then answered. The cell and slot calls give 0, with nothing
// changed, for a cell, slot or colour outside the board's.
PAGE_EXPORT("new_board") void trivelle_new_board();
PAGE_EXPORT("put_ball") int trivelle_put_ball(int column, int row, int colour);
PAGE_EXPORT("take_ball") int trivelle_take_ball(int column, int row);
PAGE_EXPORT("set_preview") int trivelle_set_preview(int slot, int colour);
// Texts come through the text buffer, code page 1251: the page writes length bytes there.
// 0 for an id that is no control of the panel's or a length beyond the buffer.
PAGE_EXPORT("text_buffer") char* trivelle_text_buffer();
PAGE_EXPORT("text_buffer_bytes") int trivelle_text_buffer_bytes();
PAGE_EXPORT("set_text") int trivelle_set_text(int id, int length);
PAGE_EXPORT("set_enabled") int trivelle_set_enabled(int id, int enabled);
// The answer is in: the board takes clicks again, unless over is 1.
PAGE_EXPORT("answered") void trivelle_answered(int over);

// The player confirms a ball count in the list or checks a colour radio; 0, with nothing
// changed, while that control is disabled or for a count the panel does not offer.
PAGE_EXPORT("choose_ball_count") int trivelle_choose_ball_count(int ball_count);
PAGE_EXPORT("choose_colours") int trivelle_choose_colours(int colour_count);
// New: the settings read from the panel as the program reads them (the page first gives the
// rounds and lines texts typed, through set_text); then setting(0..3) are the ball count,
// colours, rounds and lines to ask the referee for. 0 while New is disabled.
PAGE_EXPORT("read_settings") int trivelle_read_settings();
PAGE_EXPORT("setting") int trivelle_setting(int which);
// The result of the finished test has been sent: New and the settings come back. 0 unless
// the test is over (Internet enabled).
PAGE_EXPORT("result_sent") int trivelle_result_sent();
}
