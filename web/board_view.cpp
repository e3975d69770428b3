// The board the page shows: cells, preview, selection and the wanted move, drawn with the
// program's own drawing calls.
#include "web/board_view.h"

#include "engine/game_state.h"
#include "engine/reachability.h"
#include "render/ball_shades.h"
#include "render/board_drawing.h"
#include "render/geometry.h"

#include <algorithm>
#include <array>

namespace {

constexpr int empty_slot = -1;
// A slot nothing has been drawn in yet shows the background, as the program's before its
// first preview.
constexpr int untouched_slot = -2;

struct BoardView {
    bool board_shown = false;
    bool test_running = false;
    std::array<uint8_t, board_cells> board{}; // as the engine's: colour + 1, 0 for empty
    std::array<uint8_t, board_cells> marks{};
    std::array<int, preview_slots> preview{untouched_slot, untouched_slot, untouched_slot,
                                           untouched_slot, untouched_slot};
    bool selection_active = false;
    int selected_column = 0;
    int selected_row = 0;
    std::optional<WantedMove> wanted;
} view;

bool on_board(int column, int row) { return column >= 0 && column < 8 && row >= 0 && row < 8; }

uint8_t& cell(int column, int row) { return view.board[size_t(cell_index(column, row))]; }

bool is_selected(int column, int row) {
    return view.selection_active && view.selected_column == column && view.selected_row == row;
}

void draw_cell(int column, int row) {
    const uint8_t value = cell(column, row);
    if (value == 0) {
        erase_cell(cell_centre_x(column), cell_centre_y(row));
        return;
    }
    draw_ball(cell_centre_x(column), cell_centre_y(row), value - 1,
              is_selected(column, row) ? BallStyle::selected : BallStyle::normal, BallSize::board);
}

void draw_slot(int slot) {
    if (view.preview[size_t(slot)] == untouched_slot) {
        return;
    }
    if (view.preview[size_t(slot)] == empty_slot) {
        erase_cell(preview_centre_x(), preview_centre_y(slot));
    } else {
        draw_ball(preview_centre_x(), preview_centre_y(slot), view.preview[size_t(slot)],
                  BallStyle::normal, BallSize::preview);
    }
}

// A step that changes the selected ball's cell ends the selection.
void drop_selection_at(int column, int row) {
    if (is_selected(column, row)) {
        view.selection_active = false;
    }
}

void select(int column, int row) {
    if (view.selection_active) {
        const int previous_column = view.selected_column;
        const int previous_row = view.selected_row;
        view.selection_active = false;
        draw_cell(previous_column, previous_row);
    }
    view.marks.fill(0);
    view.selection_active = true;
    view.selected_column = column;
    view.selected_row = row;
    draw_cell(column, row);
    mark_reachable_on(view.board.data(), view.marks.data(), column, row);
}

// The ball moves from one cell to another on the view alone, drawn as the program draws it.
void shift_ball(int from_column, int from_row, int to_column, int to_row) {
    cell(to_column, to_row) = cell(from_column, from_row);
    cell(from_column, from_row) = 0;
    draw_cell(from_column, from_row);
    draw_cell(to_column, to_row);
}

bool is_colour(int colour) { return colour >= 0 && colour < ball_colour_count; }

} // namespace

void reset_board_view() { view = BoardView{}; }

void show_new_board() {
    view.board.fill(0);
    view.marks.fill(0);
    view.selection_active = false;
    view.board_shown = true;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            draw_cell(column, row);
        }
    }
    draw_grid();
}

bool put_view_ball(int column, int row, int colour) {
    if (!on_board(column, row) || !is_colour(colour)) {
        return false;
    }
    drop_selection_at(column, row);
    cell(column, row) = uint8_t(colour + 1);
    draw_cell(column, row);
    return true;
}

bool take_view_ball(int column, int row) {
    if (!on_board(column, row)) {
        return false;
    }
    drop_selection_at(column, row);
    cell(column, row) = 0;
    draw_cell(column, row);
    return true;
}

bool set_view_preview(int slot, int colour) {
    if (slot < 0 || slot >= preview_slots || (colour != empty_slot && !is_colour(colour))) {
        return false;
    }
    view.preview[size_t(slot)] = colour;
    draw_slot(slot);
    return true;
}

void settle_view(bool over) {
    view.wanted.reset();
    view.test_running = !over;
}

std::optional<WantedMove> click_view_at(int x, int y) {
    if (!view.test_running || view.wanted || geometry.cell_size <= 0) {
        return std::nullopt;
    }
    const int dx = x - geometry.grid_left;
    const int dy = y - geometry.grid_top;
    if (dx < 0 || dy < 0) {
        return std::nullopt;
    }
    const int column = dx / geometry.cell_size;
    const int row = dy / geometry.cell_size;
    if (column > 7 || row > 7) {
        return std::nullopt;
    }
    if (cell(column, row) != 0) {
        if (!is_selected(column, row)) {
            select(column, row);
        }
        return std::nullopt;
    }
    if (!view.selection_active ||
        view.marks[size_t(cell_index(column, row))] != mark_reachable_cell) {
        return std::nullopt;
    }
    view.selection_active = false;
    view.wanted = WantedMove{view.selected_column, view.selected_row, column, row};
    shift_ball(view.selected_column, view.selected_row, column, row);
    return view.wanted;
}

bool take_back_view_move() {
    if (!view.wanted) {
        return false;
    }
    const WantedMove move = *view.wanted;
    view.wanted.reset();
    shift_ball(move.to_column, move.to_row, move.from_column, move.from_row);
    return true;
}

void repaint_view() {
    if (!view.board_shown) {
        return;
    }
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            draw_cell(column, row);
        }
    }
    draw_grid();
    for (int slot = 0; slot < preview_slots; ++slot) {
        draw_slot(slot);
    }
}

int view_cell(int column, int row) { return on_board(column, row) ? cell(column, row) : 0; }

int view_preview(int slot) {
    return slot >= 0 && slot < preview_slots && view.preview[size_t(slot)] != untouched_slot
               ? view.preview[size_t(slot)]
               : empty_slot;
}

bool view_selected(int column, int row) { return is_selected(column, row); }
