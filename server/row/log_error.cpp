// The one way the service's code tells its operator of an error: a line on standard error.
#include "server/row/log_error.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace {

std::atomic<const char*> program_name{nullptr};

} // namespace

void set_program_name(const char* name) { program_name.store(name); }

void log_error(std::string_view line) {
    std::string text;
    if (const char* name = program_name.load()) {
        text = std::string(name) + ": ";
    }
    text.append(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
}
