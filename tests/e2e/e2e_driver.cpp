// Drives the real trivelle.exe for end-to-end tests.
#include "tests/e2e/e2e_driver.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

// The tree whose programs Wine runs here: build/win32, or its 64-bit twin where the kernel
// runs no 32-bit code. scripts/wine starts the loader that fits and gives Wine its locale.
const std::string run_build = TRIVELLE_RUN_BUILD;
// The program under test: the release build of the same width as that tree.
const std::string program = TRIVELLE_E2E_PROGRAM;
const std::string scripts = TRIVELLE_SCRIPTS;
const std::string wine = scripts + "/wine";
const std::string prefix = run_build + "/e2e-prefix";
const std::string wine_log = prefix + "/e2e-wine.log";

pid_t xvfb_pid = 0;
pid_t program_pid = 0;
BoardArea board = {};

pid_t spawn(const std::vector<std::string>& command, const std::string& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// How long any helper command (a first wineboot included) or a stopped process may take
// before it is taken for hung and killed, so that a hung child cannot hang the tests.
constexpr auto child_patience = std::chrono::seconds(300);

// Waits for a child to end, for patience at most, then kills it; its status, or -1 when it
// had to be killed or could not be waited for.
int wait_bounded(pid_t pid, std::chrono::steady_clock::duration patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            return status;
        }
        if (ended < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Runs a command to its end; its standard output and error go to the file `output`.
int run(const std::vector<std::string>& command, const std::string& output = "/dev/null") {
    const pid_t pid = spawn(command, output);
    if (pid == 0) {
        return -1;
    }
    const int status = wait_bounded(pid, child_patience);
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs probe.exe in the program's prefix and returns its line, or nothing if it failed.
std::optional<std::string> probe(const std::vector<std::string>& arguments) {
    const std::string out = prefix + "/probe.out";
    std::remove(out.c_str());
    std::vector<std::string> command = {wine, run_build + "/tests/e2e/probe.exe"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    setenv("WINEDEBUG", "-all", 1);
    const int status = run(command, out);
    setenv("WINEDEBUG", "-all,warn+seh", 1);
    if (status != 0) {
        return std::nullopt;
    }
    std::string line = read_file(out);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

void set_wine_environment() {
    setenv("WINEPREFIX", prefix.c_str(), 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    setenv("WINEDEBUG", "-all,warn+seh", 1);
}

bool start_xvfb(int width, int height) {
    int n = 120;
    while (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0 ||
           access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) == 0) {
        ++n;
    }
    const std::string display = ":" + std::to_string(n);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    xvfb_pid = spawn({"Xvfb", display, "-screen", "0", screen, "-nolisten", "tcp"}, "/dev/null");
    setenv("DISPLAY", display.c_str(), 1);
    for (int tries = 0; tries < 200; ++tries) {
        if (run({"xdpyinfo"}) == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void write_registry_settings(const ProgramStart& start) {
    const std::string reg = prefix + "/e2e-settings.reg";
    std::ofstream out(reg);
    out << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n\"Default\"=\""
        << start.desktop_width << "x" << start.desktop_height << "\"\n";
    if (!start.keep_stored_record) {
        out << "\n[-HKEY_CURRENT_USER\\Software\\Trivelle]\n";
    }
    out.close();
    run({wine, "regedit", "/S", "Z:" + reg});
}

std::string to_hex(const std::string& bytes) {
    std::string hex;
    char two[3];
    for (unsigned char b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

// Exceptions Wine raises and handles for itself (RPC server unavailable, thread names,
// debug output) are harmless; any other one logged means a crash.
bool is_crash(const std::string& line) {
    if (line.find("warn:seh:") == std::string::npos ||
        line.find("exception") == std::string::npos) {
        return false;
    }
    for (const char* benign : {"code=6ba)", "code=406d1388)", "code=40010006)", "code=4001000a)"}) {
        if (line.find(benign) != std::string::npos) {
            return false;
        }
    }
    return true;
}

} // namespace

uint32_t Screenshot::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0xFFFFFFFF;
    }
    const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

bool start_program(const ProgramStart& start) {
    set_wine_environment();
    // Every report says which file was driven.
    testing::Test::RecordProperty("program", program);
    static bool prepared = false;
    if (!prepared) {
        std::printf("e2e: driving %s\n", program.c_str());
        std::fflush(stdout);
        if (access(program.c_str(), F_OK) != 0) {
            ADD_FAILURE() << program << " is missing: scripts/test builds it with scripts/release";
            return false;
        }
        run({"bash", "-c",
             "source '" + scripts + "/wine-env' && trivelle_prepare_prefix '" + prefix +
                 "' 1024x768 capture"});
        prepared = true;
    }
    if (!start_xvfb(start.desktop_width, start.desktop_height)) {
        return false;
    }
    run({"wineserver", "-p"});
    write_registry_settings(start);
    if (start.stored_record) {
        probe({"set-record", to_hex(*start.stored_record)});
    }
    // Writing the registry already started the virtual desktop at its old size: restart
    // Wine so that the program's desktop has the size just written.
    run({"wineserver", "-k"});
    run({"wineserver", "-p"});
    // Wine's services start here with their output discarded, not inside the program's log.
    run({wine, "wineboot"});
    std::remove((prefix + "/browser-links.log").c_str());
    std::remove(wine_log.c_str());

    std::vector<std::string> command = {wine, program};
    if (!start.arguments.empty()) {
        command.push_back(start.arguments);
    }
    program_pid = spawn(command, wine_log);
    for (int tries = 0; tries < 100; ++tries) {
        if (auto area = board_area()) {
            board = *area;
            // Let the first paint finish before anyone looks or clicks.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool program_running() { return program_pid != 0 || xvfb_pid != 0; }

bool stop_program() {
    run({"wineserver", "-k"});
    if (program_pid) {
        kill(program_pid, SIGKILL);
        wait_bounded(program_pid, child_patience);
        program_pid = 0;
    }
    if (xvfb_pid) {
        kill(xvfb_pid, SIGTERM);
        wait_bounded(xvfb_pid, child_patience);
        xvfb_pid = 0;
    }
    std::istringstream log(read_file(wine_log));
    for (std::string line; std::getline(log, line);) {
        if (is_crash(line)) {
            return false;
        }
    }
    return true;
}

std::optional<BoardArea> board_area() {
    const auto line = probe({"board"});
    BoardArea area;
    if (!line || std::sscanf(line->c_str(), "%d %d %d %d", &area.left, &area.top, &area.width,
                             &area.height) != 4) {
        return std::nullopt;
    }
    return area;
}

std::optional<ControlState> control_state(int id) {
    // "enabled visible checked|text": the bar keeps the text's leading blanks apart.
    const auto line = probe({"control", std::to_string(id)});
    int enabled, visible, checked;
    const size_t bar = line ? line->find('|') : std::string::npos;
    if (bar == std::string::npos ||
        std::sscanf(line->c_str(), "%d %d %d", &enabled, &visible, &checked) != 3) {
        return std::nullopt;
    }
    return ControlState{enabled != 0, visible != 0, checked != 0, line->substr(bar + 1)};
}

std::optional<BoardArea> control_rect(int id) {
    const auto line = probe({"rect", std::to_string(id)});
    BoardArea r;
    if (!line ||
        std::sscanf(line->c_str(), "%d %d %d %d", &r.left, &r.top, &r.width, &r.height) != 4) {
        return std::nullopt;
    }
    return r;
}

std::optional<int> list_selection() {
    const auto line = probe({"list"});
    int selection, count;
    if (!line || std::sscanf(line->c_str(), "%d %d", &selection, &count) != 2) {
        return std::nullopt;
    }
    return selection;
}

void click_screen(int x, int y) {
    // No --sync: it waits for a pointer motion forever when the pointer is already there.
    run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

void click_board(int x, int y) { click_screen(board.left + x, board.top + y); }

bool click_control(int id) {
    const auto r = control_rect(id);
    if (!r) {
        return false;
    }
    click_screen(r->left + r->width / 2, r->top + r->height / 2);
    probe({"idle"});
    return true;
}

bool set_edit_text(int id, const std::string& text) {
    if (!click_control(id)) {
        return false;
    }
    std::vector<std::string> keys = {"End"};
    keys.insert(keys.end(), 20, "BackSpace");
    press_keys(keys);
    if (!text.empty()) {
        type_text(text);
    }
    return true;
}

bool wait_for_screen_change(const Screenshot& before) {
    Screenshot previous;
    for (int tries = 0; tries < 60; ++tries) {
        Screenshot now = take_screenshot();
        if (now.rgb != before.rgb && now.rgb == previous.rgb) {
            return true;
        }
        previous = std::move(now);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void send_chars(int id, const std::string& bytes) {
    probe({"chars", std::to_string(id), to_hex(bytes)});
}

void press_keys(const std::vector<std::string>& keys) {
    std::vector<std::string> command = {"xdotool", "key", "--delay", "20"};
    command.insert(command.end(), keys.begin(), keys.end());
    run(command);
    probe({"idle"});
}

void type_text(const std::string& text) {
    run({"xdotool", "type", "--delay", "20", text});
    probe({"idle"});
}

Screenshot take_screenshot() {
    const std::string path = prefix + "/e2e-shot.ppm";
    Screenshot shot;
    if (run({"import", "-window", "root", "-depth", "8", "ppm:" + path}) != 0) {
        return shot;
    }
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int max_value = 0;
    in >> magic >> shot.width >> shot.height >> max_value;
    in.get();
    if (magic != "P6" || max_value != 255) {
        return Screenshot{};
    }
    shot.rgb.resize(size_t(shot.width) * shot.height * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), std::streamsize(shot.rgb.size()));
    return shot;
}

bool save_screenshot(const std::string& png_path) {
    return run({"import", "-window", "root", png_path}) == 0;
}

std::vector<std::string> captured_links() {
    std::vector<std::string> links;
    std::istringstream log(read_file(prefix + "/browser-links.log"));
    for (std::string line; std::getline(log, line);) {
        links.push_back(line);
    }
    return links;
}

std::optional<std::string> read_stored_record() {
    const auto line = probe({"get-record"});
    if (!line) {
        return std::nullopt;
    }
    std::string bytes;
    for (size_t i = 0; i + 1 < line->size(); i += 2) {
        bytes += char(std::stoi(line->substr(i, 2), nullptr, 16));
    }
    return bytes;
}
