// fitting_fraction: the largest screen fraction at which the whole game fits a maximized
// window, for the scripts that start the game and for the read-me's table.
#include "shell/screen_fit.h"

#include <cstdio>

namespace {

bool read_extent(const char* text, Extent& extent) {
    char rest = 0;
    return std::sscanf(text, "%dx%d%c", &extent.width, &extent.height, &rest) == 2 &&
           extent.width > 0 && extent.height > 0;
}

} // namespace

int main(int argc, char** argv) {
    Extent screen{};
    Extent client{};
    if (argc != 3 || !read_extent(argv[1], screen) || !read_extent(argv[2], client)) {
        std::fputs("usage: fitting_fraction SCREEN CLIENT\n"
                   "SCREEN is the screen's size and CLIENT the client area of a maximized\n"
                   "window on it, both as WIDTHxHEIGHT in pixels. Prints the largest fraction\n"
                   "(in thousandths, at most 1) at which the board, the preview and the panel\n"
                   "lie inside CLIENT; exits 1 when none does.\n",
                   stderr);
        return 2;
    }
    const int thousandths = largest_fitting_fraction(screen, client);
    if (thousandths == 0) {
        std::fprintf(stderr, "fitting_fraction: no fraction fits a %dx%d client area\n",
                     client.width, client.height);
        return 1;
    }
    std::printf("%s\n", fraction_text(thousandths).c_str());
    return 0;
}
