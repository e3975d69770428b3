// Implements engine/panel_access.h and render/board_drawing.h for the results service: the
// referee's panel holds the typed settings, and every drawing is recorded as a board step.
#include "server/referee/referee_seams.h"

#include "engine/colour_radios.h"
#include "engine/panel_access.h"
#include "render/board_drawing.h"
#include "render/screen_layout.h"
#include "resources/control_ids.h"
#include "server/row/utf8_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string>

namespace {

// A screen of the program's era at full width; any sound layout would do, since only the
// mapping from centres back to cells matters here.
constexpr int32_t nominal_screen_width = 1024;
constexpr int32_t nominal_screen_height = 768;

Geometry lay_out_nominal_screen() {
    float fraction = sound_screen_fraction(nominal_screen_width, nominal_screen_height, 1.0f);
    return layout_for_screen(nominal_screen_width, nominal_screen_height, fraction);
}

constexpr uint8_t empty_cell = 0;
constexpr int empty_slot = -1;

struct Recording {
    TestSettings typed{};
    std::map<int, std::string> panel_texts; // code page 1251, as the engine reads them
    std::map<int, bool> panel_enabled;
    std::array<uint8_t, board_cells> shown_board{}; // as GameState's board: colour + 1
    std::array<int, preview_slots> shown_preview{};
    bool cross_cursor = false;
    Revealed revealed;
};

// Guarded by the engine's lock, like the engine's own game.
Recording recording;

// Where the engine's centre pixel stands: a cell (0..7, 0..7), a preview slot, or neither.
struct Place {
    enum { cell, slot, none } kind = none;
    int column_or_slot = 0;
    int row = 0;
};

Place place_of(int x, int y) {
    const int32_t size = geometry.cell_size;
    const int32_t dx = x - geometry.cell0_centre_x;
    const int32_t dy = y - geometry.cell0_centre_y;
    if (size <= 0 || dx % size != 0 || dy % size != 0) {
        return {};
    }
    const int column = dx / size;
    const int row = dy / size;
    if (column >= 0 && column < 8 && row >= 0 && row < 8) {
        return {Place::cell, column, row};
    }
    if (x == preview_centre_x() && row >= 3 && row < 3 + preview_slots) {
        return {Place::slot, row - 3, 0};
    }
    return {};
}

void record(StepKind kind, int column_or_slot, int row = 0, int colour = 0) {
    recording.revealed.steps.push_back({kind, column_or_slot, row, colour});
}

} // namespace

const Geometry& nominal_geometry() {
    static const Geometry nominal = lay_out_nominal_screen();
    return nominal;
}

void begin_recording(const TestSettings& typed_settings) {
    recording = Recording{};
    recording.typed = typed_settings;
    recording.panel_texts[IDC_ROUNDS] = std::to_string(typed_settings.round_count);
    recording.panel_texts[IDC_LINES_PER_ROUND] = std::to_string(typed_settings.lines_per_round);
    std::memcpy(recording.shown_board.data(), game.board, board_cells);
    for (int slot = 0; slot < preview_slots; ++slot) {
        recording.shown_preview[slot] =
            slot < game.preview_count ? game.preview_colours[slot] : empty_slot;
    }
}

Revealed take_recording() {
    Revealed taken = std::move(recording.revealed);
    taken.cross_cursor = recording.cross_cursor;
    recording = Recording{};
    return taken;
}

// The panel.

void get_control_text(int id, char* text, int size) {
    if (size <= 0) {
        return;
    }
    const std::string& held = recording.panel_texts[id];
    const size_t length = std::min(held.size(), size_t(size - 1));
    std::memcpy(text, held.data(), length);
    text[length] = '\0';
}

void set_control_text(int id, const char* text) {
    recording.panel_texts[id] = text;
    recording.revealed.texts[id] = utf8_from_cp1251(text);
}

bool enable_control(int id, bool enabled) {
    const auto held = recording.panel_enabled.find(id);
    const bool was_disabled = held == recording.panel_enabled.end() || !held->second;
    recording.panel_enabled[id] = enabled;
    recording.revealed.enabled[id] = enabled;
    return was_disabled;
}

bool is_button_checked(int id) { return colours_of_radio(id) == recording.typed.colour_count; }

int list_selection() { return recording.typed.initial_ball_count - fewest_initial_balls; }

void set_board_cursor(BoardCursor cursor) { recording.cross_cursor = cursor == BoardCursor::cross; }

// Never asked on the referee's path, which seeds the generator itself; a fixed answer keeps
// every answer a function of the test's state alone.
uint32_t current_time() { return 0; }

void show_consistency_message() { record(StepKind::message, 0); }

// The board. Only changes of what a cell or slot shows are steps: the selected ball's look is
// the page's business.

void draw_ball(int x, int y, int colour, BallStyle, BallSize) {
    const Place place = place_of(x, y);
    if (place.kind == Place::cell) {
        uint8_t& shown = recording.shown_board[cell_index(place.column_or_slot, place.row)];
        if (shown != uint8_t(colour + 1)) {
            shown = uint8_t(colour + 1);
            record(StepKind::put, place.column_or_slot, place.row, colour);
        }
    } else if (place.kind == Place::slot) {
        int& shown = recording.shown_preview[place.column_or_slot];
        if (shown != colour) {
            shown = colour;
            record(StepKind::show, place.column_or_slot, 0, colour);
        }
    }
}

void erase_cell(int x, int y) {
    const Place place = place_of(x, y);
    if (place.kind == Place::cell) {
        uint8_t& shown = recording.shown_board[cell_index(place.column_or_slot, place.row)];
        if (shown != empty_cell) {
            shown = empty_cell;
            record(StepKind::take, place.column_or_slot, place.row);
        }
    } else if (place.kind == Place::slot) {
        int& shown = recording.shown_preview[place.column_or_slot];
        if (shown != empty_slot) {
            shown = empty_slot;
            record(StepKind::hide, place.column_or_slot);
        }
    }
}

void draw_grid() { record(StepKind::new_board, 0); }
