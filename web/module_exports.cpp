// The page's entry points: start, settings and New, clicks, the result sent, the pixels.
#include "web/module_exports.h"

#include "engine/panel_phases.h"
#include "engine/play.h"
#include "resources/control_ids.h"
#include "web/board_repaint.h"
#include "web/web_canvas.h"
#include "web/web_panel.h"

namespace {

// Until the first New the canvas shows the background alone, as the program's board does.
bool board_drawn = false;

} // namespace

int trivelle_start(int width, int height) {
    if (!lay_out_canvas(width, height)) {
        return 0;
    }
    board_drawn = false;
    start_web_panel();
    return 1;
}

int trivelle_resize(int width, int height) {
    if (!lay_out_canvas(width, height)) {
        return 0;
    }
    if (board_drawn) {
        repaint_board();
    }
    return 1;
}

int trivelle_new_test(int ball_count, int colour_count, int round_count, int lines_per_round,
                      uint32_t seed) {
    if (!web_control(IDC_NEW).enabled ||
        !choose_web_settings(ball_count, colour_count, round_count, lines_per_round)) {
        return 0;
    }
    set_web_clock(seed);
    new_test();
    board_drawn = true;
    return 1;
}

void trivelle_click(int x, int y) {
    click_board_at(x, y);
    choose_board_cursor();
}

int trivelle_result_sent() {
    if (!web_control(IDC_INTERNET).enabled) {
        return 0;
    }
    enter_panel_phase(PanelPhase::result_sent);
    return 1;
}

const uint32_t* trivelle_pixels() { return web_canvas.pixels.data(); }
int trivelle_pixels_bytes() { return int(web_canvas.pixels.size() * sizeof(uint32_t)); }
int trivelle_width() { return web_canvas.width; }
int trivelle_height() { return web_canvas.height; }
