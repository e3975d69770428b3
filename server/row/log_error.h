// The one way the service's code tells its operator of an error: a line on standard error.
#pragma once

#include <string_view>

// Names the program at the head of every line; main sets it before any thread starts. Until
// then lines go without a name.
void set_program_name(const char* name);
// Writes "program: line" and a newline as one write, so that threads' lines never mix.
void log_error(std::string_view line);
