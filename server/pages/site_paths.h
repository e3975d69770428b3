// The addresses of the site's own places that pages link to and the routes answer at.
#pragma once

#include <string_view>

// Where the browser's test is.
constexpr std::string_view play_path = "/play";
// Where the program for Windows is offered; its file, when an operator gives one, below it.
constexpr std::string_view download_path = "/download";
