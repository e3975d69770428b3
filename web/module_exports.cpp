// The page's entry points: layout, the answer's steps and panel, clicks, settings, pixels.
#include "web/module_exports.h"

#include "render/geometry.h"
#include "web/board_view.h"
#include "web/web_canvas.h"
#include "web/web_panel.h"

#include <string_view>

namespace {

// Longer than any text the panel shows: the displays' "%d*1000/%d" and "%10.3f" of 32-bit
// counts take at most 23 and 14 characters.
char text_buffer[64];

TestSettings chosen_settings{};

} // namespace

int trivelle_start(int width, int height) {
    if (!lay_out_canvas(width, height)) {
        return 0;
    }
    reset_board_view();
    start_web_panel();
    return 1;
}

int trivelle_resize(int width, int height) {
    if (!lay_out_canvas(width, height)) {
        return 0;
    }
    repaint_view();
    return 1;
}

const uint32_t* trivelle_pixels() { return web_canvas.pixels.data(); }
int trivelle_pixels_bytes() { return int(web_canvas.pixels.size() * sizeof(uint32_t)); }
int trivelle_width() { return web_canvas.width; }
int trivelle_height() { return web_canvas.height; }
// Columns from the preview's (-2) to the grid's last, so that no product can overflow.
int trivelle_cell_x(int column) {
    return column < -2 || column > 7 ? -1 : cell_centre_x(column) - web_canvas.origin_x;
}
int trivelle_cell_y(int row) {
    return row < 0 || row > 7 ? -1 : cell_centre_y(row) - web_canvas.origin_y;
}
int trivelle_cell_pitch() { return geometry.cell_size; }

int trivelle_click(int x, int y) {
    if (x < 0 || y < 0 || x >= web_canvas.width || y >= web_canvas.height) {
        return -1; // off the canvas, where the program's window gets no click either
    }
    const std::optional<WantedMove> move =
        click_view_at(x + web_canvas.origin_x, y + web_canvas.origin_y);
    if (!move) {
        return -1;
    }
    return move->from_column << 12 | move->from_row << 8 | move->to_column << 4 | move->to_row;
}

int trivelle_take_back() { return take_back_view_move(); }

void trivelle_new_board() { show_new_board(); }
int trivelle_put_ball(int column, int row, int colour) {
    return put_view_ball(column, row, colour);
}
int trivelle_take_ball(int column, int row) { return take_view_ball(column, row); }
int trivelle_set_preview(int slot, int colour) { return set_view_preview(slot, colour); }

char* trivelle_text_buffer() { return text_buffer; }
int trivelle_text_buffer_bytes() { return int(sizeof text_buffer); }

int trivelle_set_text(int id, int length) {
    if (length < 0 || length > int(sizeof text_buffer)) {
        return 0;
    }
    return set_web_text(id, std::string_view(text_buffer, size_t(length)));
}

int trivelle_set_enabled(int id, int enabled) { return set_web_enabled(id, enabled != 0); }

void trivelle_answered(int over) { settle_view(over != 0); }

int trivelle_choose_ball_count(int ball_count) { return choose_web_ball_count(ball_count); }
int trivelle_choose_colours(int colour_count) { return choose_web_colours(colour_count); }

int trivelle_read_settings() {
    const std::optional<TestSettings> settings = read_web_settings();
    if (!settings) {
        return 0;
    }
    chosen_settings = *settings;
    return 1;
}

int trivelle_setting(int which) {
    switch (which) {
    case 0:
        return chosen_settings.initial_ball_count;
    case 1:
        return chosen_settings.colour_count;
    case 2:
        return chosen_settings.round_count;
    case 3:
        return chosen_settings.lines_per_round;
    default:
        return 0;
    }
}

int trivelle_result_sent() { return web_result_sent(); }
