// The browser's board equals the program's: the same balls drawn by the module and by the
// program's own drawing on a real board window under Wine (tests/win32/board_picture), cell
// square by cell square, at a small, a middle and the largest drawn size.
#include "render/geometry.h"
#include "tests/support/command_run.h"
#include "tests/support/page_stand_in.h"
#include "web/module_exports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A picture as board_picture writes it, with the layout its comment line gives.
struct ProgramPicture {
    int half_cell = 0, ball_radius = 0, ring_count = 0;
    int cell0_x = 0, cell0_y = 0, cell_size = 0;
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    uint32_t at(int x, int y) const {
        const size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
        return uint32_t(rgb[i]) | uint32_t(rgb[i + 1]) << 8 | uint32_t(rgb[i + 2]) << 16;
    }
};

bool read_picture(const std::string& path, ProgramPicture& picture) {
    std::ifstream file(path, std::ios::binary);
    std::string magic, hash;
    int most = 0;
    file >> magic >> hash >> picture.half_cell >> picture.ball_radius >> picture.ring_count >>
        picture.cell0_x >> picture.cell0_y >> picture.cell_size >> picture.width >>
        picture.height >> most;
    file.get();
    picture.rgb.resize(size_t(picture.width) * size_t(picture.height) * 3);
    file.read(reinterpret_cast<char*>(picture.rgb.data()), std::streamsize(picture.rgb.size()));
    return file && magic == "P6" && most == 255;
}

struct Ball {
    int column; // -2: the preview column
    int row;
    int colour;
    bool selected;
};

// Every colour on the board, one ball selected, a full preview and empty cells between.
const Ball balls[] = {{0, 0, 0, false},  {1, 1, 1, false},  {2, 2, 2, false},  {3, 3, 3, false},
                      {4, 4, 4, false},  {5, 5, 5, false},  {6, 6, 6, false},  {7, 0, 2, false},
                      {3, 6, 6, true},   {-2, 3, 0, false}, {-2, 4, 3, false}, {-2, 5, 4, false},
                      {-2, 6, 5, false}, {-2, 7, 6, false}};

std::string ball_arguments() {
    std::string arguments;
    for (const Ball& b : balls) {
        arguments += " " + std::to_string(b.column) + "," + std::to_string(b.row) + "," +
                     std::to_string(b.colour) + "," + (b.selected ? "1" : "0") + "," +
                     (b.column == -2 ? "1" : "0");
    }
    return arguments;
}

// The same balls through the page's calls: put, shown in the preview, one clicked.
void draw_in_module() {
    trivelle_new_board();
    for (const Ball& b : balls) {
        if (b.column == -2) {
            trivelle_set_preview(b.row - 3, b.colour);
        } else {
            trivelle_put_ball(b.column, b.row, b.colour);
        }
    }
    trivelle_answered(0);
    for (const Ball& b : balls) {
        if (b.selected) {
            trivelle_click(trivelle_cell_x(b.column), trivelle_cell_y(b.row));
        }
    }
}

// Every pixel of every cell square, the grid's lines and the preview slots included.
TEST(ProgramDrawing, TheModuleDrawsEveryCellAsTheProgramDoes) {
    // A box and a screen whose program has the module's cells: the narrowest one with that
    // half cell (its width times 0.035, truncated) and the canvas's height, as the module takes it.
    struct Size {
        int box_width, box_height;
        int screen_width, screen_height;
    };
    const Size sizes[] = {{700, 530, 800, 530}, {800, 600, 915, 600}, {1033, 775, 1200, 775}};
    const std::filesystem::path folder =
        std::filesystem::path(TRIVELLE_TEST_RESULTS) / "program-drawing";
    std::filesystem::create_directories(folder);
    for (const Size& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.box_width << "x" << size.box_height);
        const std::string path =
            (folder / ("board-" + std::to_string(size.screen_width) + ".ppm")).string();
        std::filesystem::remove(path);
        const CommandRun run = run_command(
            "timeout 300 '" TRIVELLE_WINE_RUN "' '" TRIVELLE_BOARD_PICTURE "' " +
            std::to_string(size.screen_width) + " " + std::to_string(size.screen_height) + " '" +
            path + "'" + ball_arguments() + " 2>&1");
        ProgramPicture program;
        ASSERT_TRUE(read_picture(path, program)) << run.output;

        reset_page_mirror();
        ASSERT_EQ(trivelle_start(size.box_width, size.box_height), 1);
        ASSERT_EQ(program.half_cell, geometry.half_cell);
        ASSERT_EQ(program.ball_radius, geometry.ball_radius);
        ASSERT_EQ(program.ring_count, geometry.ring_count);
        draw_in_module();
        const uint32_t* canvas = trivelle_pixels();
        const int half = program.half_cell;
        int differing = 0;
        std::ostringstream first;
        for (int cell = 0; cell < 64 + 5; ++cell) {
            const int column = cell < 64 ? cell / 8 : -2;
            const int row = cell < 64 ? cell % 8 : cell - 64 + 3;
            const int program_x = program.cell0_x + column * program.cell_size;
            const int program_y = program.cell0_y + row * program.cell_size;
            ASSERT_TRUE(program_x - half >= 0 && program_x + half < program.width &&
                        program_y - half >= 0 && program_y + half < program.height)
                << "cell (" << column << "," << row << ") off the program's screen";
            for (int dy = -half; dy <= half; ++dy) {
                for (int dx = -half; dx <= half; ++dx) {
                    const int x = trivelle_cell_x(column) + dx;
                    const int y = trivelle_cell_y(row) + dy;
                    const uint32_t web = canvas[size_t(y) * size_t(trivelle_width()) + size_t(x)];
                    const uint32_t drawn = program.at(program_x + dx, program_y + dy);
                    if ((web & 0xFFFFFF) != drawn && ++differing <= 8) {
                        char text[96];
                        std::snprintf(text, sizeof text,
                                      " cell (%d,%d) at (%+d,%+d): %06X, the program %06X;", column,
                                      row, dx, dy, unsigned(web & 0xFFFFFF), unsigned(drawn));
                        first << text;
                    }
                }
            }
        }
        EXPECT_EQ(differing, 0) << first.str();
    }
}

} // namespace
