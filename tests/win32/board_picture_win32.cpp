// Draws balls on a real board window with the program's own drawing and writes the canvas as
// a PPM picture, for the browser's drawing to be compared with it pixel by pixel.
#include "engine/game_state.h"
#include "engine/play.h"
#include "render/board_drawing.h"
#include "render/geometry.h"
#include "render/offscreen_canvas_win32.h"
#include "tests/win32/test_board_win32.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* usage =
    "usage: board_picture SCREEN_WIDTH SCREEN_HEIGHT OUT.ppm "
    "[COLUMN,ROW,COLOUR,SELECTED,PREVIEW...]\n"
    "Draws each ball at its cell (column -2 for the preview column) on a board laid out for\n"
    "the screen, and writes the canvas's board area to OUT.ppm; its comment line gives the\n"
    "layout: half cell, ball radius, rings, the first cell's centre and the cell size.\n";

bool write_ppm(const Pixels& pixels, const char* path) {
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        return false;
    }
    std::fprintf(file, "P6\n# %d %d %d %d %d %d\n%d %d\n255\n", int(geometry.half_cell),
                 int(geometry.ball_radius), int(geometry.ring_count), int(geometry.cell0_centre_x),
                 int(geometry.cell0_centre_y), int(geometry.cell_size), int(pixels.width),
                 int(pixels.height));
    for (const uint32_t colour : pixels.colours) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(colour & 0xFF),
                                      static_cast<unsigned char>(colour >> 8 & 0xFF),
                                      static_cast<unsigned char>(colour >> 16 & 0xFF)};
        std::fwrite(rgb, 1, 3, file);
    }
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs(usage, stderr);
        return 2;
    }
    const int screen_width = std::atoi(argv[1]);
    const int screen_height = std::atoi(argv[2]);
    if (screen_width < 320 || screen_height < 200 ||
        !open_test_board(screen_width, screen_height, 1.0f)) {
        std::fputs("board_picture: no board window for that screen\n", stderr);
        return 1;
    }
    reset_game_state();
    reset_board();
    for (int i = 4; i < argc; ++i) {
        int column = 0, row = 0, colour = 0, selected = 0, preview = 0;
        if (std::sscanf(argv[i], "%d,%d,%d,%d,%d", &column, &row, &colour, &selected, &preview) !=
            5) {
            std::fprintf(stderr, "board_picture: '%s' is no ball\n", argv[i]);
            return 2;
        }
        draw_ball(cell_centre_x(column), cell_centre_y(row), colour,
                  selected ? BallStyle::selected : BallStyle::normal,
                  preview ? BallSize::preview : BallSize::board);
    }
    pump_messages();
    const int32_t width = geometry.grid_left + 9 * geometry.cell_size + 1;
    const int32_t height = geometry.grid_top + 9 * geometry.cell_size + 1;
    const bool written =
        write_ppm(read_pixels(offscreen_canvas.canvas_dc, 0, 0, width, height), argv[3]);
    close_test_board();
    return written ? 0 : 1;
}
