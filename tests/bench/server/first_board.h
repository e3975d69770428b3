// From navigation to the first board drawn, in headless Chromium: the body's data-state turning
// "ready", in the frame that shows it, with the canvas painted; and a stand-in page of the same
// size that only paints a canvas, to time it against.
#pragma once

#include "tests/bench/server/page_weight.h"

#include <string>
#include <vector>

// Writes into folder, served at url_folder ("/stand-in/"), stand-in.html and a file for each of
// the page's files, each of the same size as the page's own: the style as it is, the binary
// fetched but not run, and a script that only paints a canvas once the binary has come.
void write_stand_in(const std::string& folder, const std::string& url_folder,
                    const std::vector<PageFile>& page);

struct FirstBoards {
    std::vector<double> medians_ms; // one for each address, in their order
    int failures = 0;               // loads whose board was not drawn, or drawn blank
};

// Loads each address in turn, loads times over, each with the browser's cache off as on a first
// visit.
FirstBoards time_first_boards(const std::string& profile, const std::vector<std::string>& urls,
                              int loads);
