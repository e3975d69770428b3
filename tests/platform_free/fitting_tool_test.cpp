// The fitting_fraction tool as the scripts run it: its arguments, its answer and its exit codes.
#include "tests/support/command_run.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs the tool of this build tree with the given argument text; standard output and error
// together.
CommandRun run_tool(const std::string& arguments) {
    return run_command(std::string("'") + FITTING_FRACTION + "' " + arguments + " 2>&1");
}

TEST(FittingTool, PrintsTheLargestFittingFraction) {
    struct Case {
        const char* arguments;
        const char* output;
    };
    // The read-me's screens under Wine's 19-row caption.
    const Case cases[] = {
        {"1366x768 1366x749", "0.920\n"},
        {"1920x1080 1920x1061", "0.936\n"},
        {"1024x768 1024x749", "1.000\n"},
    };
    for (const Case& c : cases) {
        const CommandRun run = run_tool(c.arguments);
        EXPECT_EQ(run.exit_code, 0) << c.arguments;
        EXPECT_EQ(run.output, c.output) << c.arguments;
    }
}

TEST(FittingTool, SaysSoWhenNothingFits) {
    const CommandRun run = run_tool("160x120 160x101");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.output, "fitting_fraction: no fraction fits a 160x101 client area\n");
}

TEST(FittingTool, RefusesAnythingButTwoSizes) {
    const char* const refused[] = {
        "",
        "1366x768",
        "1366x768 1366x749 1",
        "1366x768x 1366x749",
        "1366x768 1366x749px",
        "1366x768 1366x749.5",
        "1366 768",
        "1366*768 1366x749",
        "0x768 1366x749",
        "1366x768 1366x0",
        "-1366x768 1366x749",
        "1366x768 1366x-749",
    };
    for (const char* arguments : refused) {
        const CommandRun run = run_tool(arguments);
        EXPECT_EQ(run.exit_code, 2) << '"' << arguments << '"';
        EXPECT_EQ(run.output.rfind("usage: fitting_fraction SCREEN CLIENT\n", 0), 0u)
            << '"' << arguments << '"' << run.output;
    }
}

} // namespace
