// The real service refuses to start on a file it cannot use: one line, exit 1, never
// "listening" first.
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace {

// The service's standard output and error together, and its exit status.
std::pair<std::string, int> run_service(const std::string& db) {
    const std::string command =
        "timeout 20 " + std::string(TRIVELLE_RESULTS_SERVICE) + " --port 0 --db '" + db + "' 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {"", -1};
    }
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(ServiceStart, RefusesAFileThatIsNoDatabaseInOneLine) {
    TemporaryFolder folder;
    const std::string notes = folder.path("notes.sqlite");
    std::ofstream(notes) << std::string(8192, 'n');
    const auto [output, status] = run_service(notes);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(output, "trivelle-results: " + notes + " is damaged: file is not a database\n");
}

} // namespace
