// Every command in scripts/ answers --help with its usage and refuses what it does not
// understand in one line, and in both cases installs and builds nothing.
#include "tests/support/command_run.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// All but scripts/play, whose one argument is a fraction or --screenshot; common.sh, wine-env
// and x-display are sourced helpers, not commands.
const std::set<std::string> commands = {"bench",  "bench-server", "bootstrap", "build",
                                        "floors", "fuzz",         "lint",      "release",
                                        "serve",  "test",         "wine",      "wine-run"};

// The tools through which a script installs, builds or starts anything. Stand-ins of the same
// names come first on the PATH and note each call.
constexpr const char* working_tools[] = {
    "apt-get", "sudo",   "dpkg",       "dpkg-query", "locale-gen", "cmake",      "ctest",
    "make",    "ninja",  "clang",      "clang++",    "g++",        "clang-tidy", "clang-format",
    "wine",    "wine64", "wineserver", "Xvfb",       "xvfb-run",   "wrk",        "nginx"};

struct ScriptRun {
    int exit_code = -1;
    std::string output;
    std::string errors;
    std::string tools_called;
};

std::string file_text(const fs::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class Scripts : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder = fs::temp_directory_path() / ("trivelle-scripts-" + std::to_string(getpid()));
        fs::create_directories(folder / "stand-ins");
        for (const char* tool : working_tools) {
            const fs::path stand_in = folder / "stand-ins" / tool;
            std::ofstream(stand_in) << "#!/bin/sh\necho " << tool << " >> '"
                                    << (folder / "calls").string() << "'\nexit 1\n";
            fs::permissions(stand_in, fs::perms::owner_all);
        }
    }
    static void TearDownTestSuite() { fs::remove_all(folder); }

    // Runs scripts/COMMAND with the arguments as the shell reads them, from a scratch folder.
    static ScriptRun run_script(const std::string& command, const std::string& arguments) {
        std::ofstream(folder / "calls").close();
        const fs::path errors = folder / "errors";
        ScriptRun run;
        const CommandRun shell =
            run_command("cd '" + folder.string() + "' && PATH='" + (folder / "stand-ins").string() +
                        "':\"$PATH\" '" + TRIVELLE_SOURCE_DIR + "/scripts/" + command + "' " +
                        arguments + " 2>'" + errors.string() + "' </dev/null");
        run.exit_code = shell.exit_code;
        run.output = shell.output;
        run.errors = file_text(errors);
        run.tools_called = file_text(folder / "calls");
        return run;
    }

    static fs::path folder;
};
fs::path Scripts::folder;

TEST_F(Scripts, EveryCommandInTheFolderIsChecked) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(fs::path(TRIVELLE_SOURCE_DIR) / "scripts")) {
        const bool executable =
            (entry.status().permissions() & fs::perms::owner_exec) != fs::perms::none;
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && executable && name != "play") {
            found.insert(name);
        }
    }
    EXPECT_EQ(found, commands);
}

TEST_F(Scripts, HelpPrintsTheUsageAndDoesNothingElse) {
    for (const std::string& command : commands) {
        for (const char* help : {"--help", "-h"}) {
            SCOPED_TRACE("scripts/" + command + " " + help);
            const ScriptRun run = run_script(command, help);
            EXPECT_EQ(run.exit_code, 0) << run.errors;
            const std::string first_line = run.output.substr(0, run.output.find('\n'));
            const std::string usage = "usage: scripts/" + command;
            EXPECT_TRUE(first_line == usage || first_line.rfind(usage + " ", 0) == 0) << run.output;
            EXPECT_EQ(run.errors, "");
            EXPECT_EQ(run.tools_called, "");
        }
    }
}

struct Refusal {
    const char* command;
    const char* arguments;
    const char* says; // a part of the one line that refuses them
};

const Refusal refusals[] = {
    {"bench", "--bogus", "takes no arguments"},
    {"bench-server", "-3", "a whole number"},
    {"bench-server", "ten", "a whole number"},
    {"bench-server", "10 20", "a whole number"},
    {"bootstrap", "--bogus", "'--bogus' is no Debian package name"},
    {"bootstrap", "'two words'", "is no Debian package name"},
    {"bootstrap", "server wrk", "'server' stands alone"},
    {"bootstrap", "web cmake", "'web' stands alone"},
    {"build", "bogus", "unknown tree 'bogus': give win32, win64, native, server, web or all"},
    {"build", "all trivelle", "targets need one tree"},
    {"build", "native --target", "'--target' is no target name"},
    {"floors", "--bogus", "takes no arguments"},
    // The time first: a target's name or a negative number was once taken for it.
    {"fuzz", "-3 link_decoder", "not '-3'"},
    {"fuzz", "0", "not '0'"},
    {"fuzz", "2.5", "not '2.5'"},
    {"fuzz", "1000000000", "a whole number from 1 to 999999999"},
    {"fuzz", "bogus",
     "unknown target 'bogus': the targets are dialog_template field_display link_decoder "
     "record_link screen_layout stored_record"},
    {"fuzz", "5 link_decoder bogus", "unknown target 'bogus'"},
    {"fuzz", "--bogus", "unknown option '--bogus'"},
    {"lint", "", "format or tidy"},
    {"lint", "bogus", "format or tidy, not 'bogus'"},
    {"lint", "format tidy", "takes one check"},
    {"release", "--bogus", "at most an output folder"},
    {"release", "one two", "at most an output folder"},
    {"serve", "bogus", "unknown option 'bogus'"},
    {"serve", "--port=1 --verbose", "unknown option '--verbose'"},
    {"serve", "--db results.sqlite --port", "--port needs a value"},
    {"test", "--bogus", "takes no arguments"},
    {"test", "native", "takes no arguments"},
    {"wine", "", "give the Windows program"},
    {"wine", "--bogus", "unknown option '--bogus'"},
    {"wine-run", "", "give the Windows program"},
    {"wine-run", "no-such-program.exe", "there is no program 'no-such-program.exe'"},
};

TEST_F(Scripts, WhatACommandDoesNotUnderstandIsRefusedInOneLineBeforeAnythingRuns) {
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(std::string("scripts/") + refusal.command + " " + refusal.arguments);
        const ScriptRun run = run_script(refusal.command, refusal.arguments);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_EQ(run.output, "");
        const std::string prefix = std::string("scripts/") + refusal.command + ": ";
        EXPECT_EQ(run.errors.rfind(prefix, 0), 0u) << run.errors;
        EXPECT_NE(run.errors.find(refusal.says), std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line: " << run.errors;
        EXPECT_EQ(run.tools_called, "");
    }
}

TEST_F(Scripts, ServeShowsTheServicesOwnUsageBeforeTheServiceIsBuilt) {
    const CommandRun service =
        run_command(std::string("'") + TRIVELLE_RESULTS_SERVICE + "' --help");
    ASSERT_EQ(service.exit_code, 0);
    const ScriptRun run = run_script("serve", "--help");
    ASSERT_GE(run.output.size(), service.output.size());
    EXPECT_EQ(run.output.substr(run.output.size() - service.output.size()), service.output)
        << run.output;
}

} // namespace
