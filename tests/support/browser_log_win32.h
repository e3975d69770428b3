// The addresses the test prefix's browser was asked to open: scripts/wine-env points Wine's
// browser at a script that writes each one as a line of PREFIX/browser-links.log
// (tests/support/browser_log_win32.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Every address opened so far, in order; none when WINEPREFIX is not set.
std::vector<std::string> browser_links();

// The address opened after `before` others, waiting a while for it: the browser starts as a
// process of its own. "<no link opened>" when none comes.
std::string next_browser_link(size_t before);
