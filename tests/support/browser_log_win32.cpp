// Implements tests/support/browser_log_win32.h.
#include "tests/support/browser_log_win32.h"

#include <windows.h>

#include <fstream>

namespace {

std::string browser_log_path() {
    char prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) {
        return std::string();
    }
    std::string path = std::string("Z:") + prefix + "/browser-links.log";
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

} // namespace

std::vector<std::string> browser_links() {
    std::vector<std::string> links;
    std::ifstream log(browser_log_path());
    for (std::string line; std::getline(log, line);) {
        links.push_back(line);
    }
    return links;
}

std::string next_browser_link(size_t before) {
    for (int tries = 0; tries < 300; ++tries) {
        const std::vector<std::string> links = browser_links();
        if (links.size() > before) {
            return links[before];
        }
        Sleep(50);
    }
    return "<no link opened>";
}
