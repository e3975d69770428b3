// From navigation to the first board drawn, in headless Chromium, against a stand-in page of
// the same size that only paints a canvas.
#include "tests/bench/server/first_board.h"

#include "tests/bench/server/child_run.h"
#include "tests/bench/server/sample_figures.h"
#include "tests/server/devtools_browser.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace {

// A phone-sized window: the board fills its width.
constexpr int window_width = 400;
constexpr int window_height = 800;
// The longest a board may take to come after the load event before the load counts as failed.
constexpr std::chrono::seconds board_wait{20};
constexpr std::chrono::milliseconds poll_pause{5};

// Run before the page's own scripts: the time of the first frame after data-state first turns
// "ready", from the navigation's start.
const std::string stamp_script =
    "new MutationObserver((changes, observer) => {"
    " if (document.body && document.body.dataset.state === 'ready') {"
    "  observer.disconnect();"
    "  requestAnimationFrame(() => { window.firstBoardMs = performance.now(); });"
    " }"
    "}).observe(document, {subtree: true, attributes: true, attributeFilter: ['data-state']});";

// The stamp once the canvas shows anything, blank while it shows nothing, empty before.
const std::string stamp_query =
    "(() => { const stamp = window.firstBoardMs; if (stamp === undefined) return '';"
    " const canvas = document.querySelector('canvas');"
    " const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;"
    " for (let i = 3; i < pixels.length; i += 4) { if (pixels[i] !== 0) return String(stamp); }"
    " return 'blank'; })()";

std::string json_string(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted.push_back('\\');
        }
        quoted.push_back(c);
    }
    return quoted + "\"";
}

// Text padded with a comment to size bytes; throws if it is already longer.
std::string padded(std::string text, size_t size, const std::string& open,
                   const std::string& close) {
    if (text.size() + open.size() + close.size() > size) {
        throw BenchFailure{"the stand-in page is larger than the page"};
    }
    text += open + std::string(size - text.size() - open.size() - close.size(), 'x') + close;
    return text;
}

std::string name_of(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Milliseconds from the navigation's start to the first board; negative when not drawn.
double first_board_ms(DevToolsBrowser& browser, const std::string& url) {
    if (!browser.load(url)) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + board_wait;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::optional<std::string> stamp = browser.evaluate(stamp_query);
        if (!stamp || *stamp == "blank") {
            return -1;
        }
        if (!stamp->empty()) {
            return std::stod(*stamp);
        }
        std::this_thread::sleep_for(poll_pause);
    }
    return -1;
}

} // namespace

void write_stand_in(const std::string& folder, const std::string& url_folder,
                    const std::vector<PageFile>& page) {
    std::string style;
    std::string script;
    std::string binary;
    for (const PageFile& file : page) {
        const std::string name = name_of(file.path);
        if (file.path == "/play") {
            continue;
        }
        if (ends_with(name, ".css")) {
            style = url_folder + name;
            std::ofstream(folder + "/" + name) << file.plain;
        } else if (ends_with(name, ".js")) {
            script = name;
        } else {
            binary = url_folder + name;
            std::ofstream(folder + "/" + name, std::ios::binary) << file.plain;
        }
    }
    for (const PageFile& file : page) {
        if (file.path == "/play") {
            std::ofstream(folder + "/stand-in.html")
                << padded("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width\">\n"
                          "<link rel=\"stylesheet\" href=\"" +
                              style + "\">\n<script defer src=\"" + url_folder + script +
                              "\"></script>\n</head>\n<body>\n<div id=\"board-box\"><canvas "
                              "id=\"board\"></canvas></div>\n</body>\n</html>\n",
                          file.plain.size(), "<!-- ", " -->\n");
        } else if (name_of(file.path) == script) {
            std::ofstream(folder + "/" + script) << padded(
                "fetch('" + binary +
                    "').then((answer) => answer.arrayBuffer()).then(() => {\n"
                    "  const canvas = document.getElementById('board');\n"
                    "  const side = Math.min(document.documentElement.clientWidth, 480);\n"
                    "  canvas.width = side;\n  canvas.height = side;\n"
                    "  const context = canvas.getContext('2d');\n"
                    "  context.fillStyle = '#c0c0c0';\n  context.fillRect(0, 0, side, side);\n"
                    "  const cell = side / 8;\n"
                    "  for (let i = 0; i < 64; ++i) {\n"
                    "    context.strokeRect((i % 8) * cell, Math.floor(i / 8) * cell, cell, "
                    "cell);\n  }\n"
                    "  document.body.dataset.state = 'ready';\n});\n",
                file.plain.size(), "/* ", " */\n");
        }
    }
}

FirstBoards time_first_boards(const std::string& profile, const std::vector<std::string>& urls,
                              int loads) {
    DevToolsBrowser browser(profile);
    if (!browser.open_tab(window_width, window_height, true) ||
        !browser.tab_command("Page.addScriptToEvaluateOnNewDocument",
                             "{\"source\":" + json_string(stamp_script) + "}") ||
        !browser.tab_command("Network.enable", "{}") ||
        !browser.tab_command("Network.setCacheDisabled", R"({"cacheDisabled":true})")) {
        throw BenchFailure{"Chromium did not start, or took no commands: see " + profile + ".log"};
    }
    FirstBoards boards;
    std::vector<std::vector<double>> times(urls.size());
    // A first load of each, untimed: the browser's own start is no part of a page's time.
    for (const std::string& url : urls) {
        first_board_ms(browser, url);
    }
    for (int load = 0; load < loads; ++load) {
        for (size_t i = 0; i < urls.size(); ++i) {
            const double ms = first_board_ms(browser, urls[i]);
            if (ms < 0) {
                ++boards.failures;
            } else {
                times[i].push_back(ms);
            }
        }
    }
    for (const std::vector<double>& sample : times) {
        boards.medians_ms.push_back(sample.empty() ? -1 : median(sample));
    }
    return boards;
}
