// Drives the real trivelle.exe for end-to-end tests: a private X screen, a Wine virtual
// desktop of a given size, real mouse clicks, screenshots and captured browser calls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ProgramStart {
    int desktop_width = 1024;
    int desktop_height = 768;
    std::string arguments;
    // The stored settings record (the registry's default value of Software\Trivelle, as
    // REG_SZ bytes without the terminator); none removes the key, unless it is kept.
    std::optional<std::string> stored_record;
    // Keeps whatever record the previous run stored, as a restart does.
    bool keep_stored_record = false;
};

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    uint32_t pixel(int x, int y) const; // 0x00RRGGBB
};

struct BoardArea {
    int left, top, width, height; // client area of the board window, in screen pixels
};

struct ControlState {
    bool enabled, visible, checked;
    std::string text;
};

// Starts the program; false if its board window did not appear.
bool start_program(const ProgramStart& start);
// Ends the program, Wine and the X screen; true if Wine logged no exception meanwhile.
bool stop_program();
bool program_running();

// Stops a program that a failed assertion left running.
struct ProgramTest : testing::Test {
    void TearDown() override {
        if (program_running()) {
            stop_program();
        }
    }
};

std::optional<BoardArea> board_area();
std::optional<ControlState> control_state(int id);
// Screen rectangle of a panel control, in the same form as the board area.
std::optional<BoardArea> control_rect(int id);
// The ball-count list's selected index, -1 without a selection.
std::optional<int> list_selection();

// A real left click at a point of the board window's client area.
void click_board(int x, int y);
// A real left click at a point of the screen.
void click_screen(int x, int y);
// Waits until the screen differs from `before` and then holds still; false if it did not
// change within a few seconds.
bool wait_for_screen_change(const Screenshot& before);
// Sends code page 1251 bytes to a panel control as typed characters: for letters the
// Latin X keyboard cannot type.
void send_chars(int id, const std::string& bytes);
// A real left click in the middle of a panel control.
bool click_control(int id);
// Replaces the text of a panel edit by clicking into it, deleting and typing.
bool set_edit_text(int id, const std::string& text);
// Real key presses (xdotool key names, e.g. "End", "BackSpace", "1") and typed text.
void press_keys(const std::vector<std::string>& keys);
void type_text(const std::string& text);
Screenshot take_screenshot();
bool save_screenshot(const std::string& png_path);
// The addresses the program opened in the browser so far, in order.
std::vector<std::string> captured_links();
// The stored settings record, if the key and value exist.
std::optional<std::string> read_stored_record();
