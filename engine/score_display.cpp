// The score display and the board cursor that warns before a round's last line.
#include "engine/accuracy_text.h"
#include "engine/game_state.h"
#include "engine/panel_access.h"
#include "engine/play.h"
#include "resources/control_ids.h"

#include <cstdio>

void show_score() {
    char text[40];
    std::snprintf(text, sizeof text, "%d*1000/%d", game.total_lines, game.total_moves);
    set_control_text(IDC_LINES_DISPLAY, text);
    if (game.total_moves != 0) {
        set_control_text(IDC_ACCURACY_DISPLAY,
                         accuracy_text(game.total_lines, game.total_moves).c_str());
    }
}

void choose_board_cursor() {
    // Until New reads the panel, a stored record may have left any number here; one that
    // cannot be a count of lines stays out of the arithmetic, where INT32_MIN would overflow.
    const bool last_line_next = game.settings.lines_per_round >= 1 &&
                                game.lines_this_round == game.settings.lines_per_round - 1;
    set_board_cursor(last_line_next ? BoardCursor::cross : BoardCursor::arrow);
}
