// The real service refuses to start on a file or a database it cannot use: one line, exit 1,
// never "listening" first.
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

TEST(ServiceStart, RefusesAnUnreachableDatabaseInOneLineWithoutItsPassword) {
    const auto [output, status] =
        run_service("postgresql://player:sekret@/results?host=/nonexistent-trivelle");
    EXPECT_EQ(status, 1);
    const std::string start = "trivelle-results: cannot use PostgreSQL at "
                              "postgresql://player:***@/results?host=/nonexistent-trivelle: "
                              "cannot connect: ";
    EXPECT_EQ(output.substr(0, start.size()), start) << output;
    EXPECT_EQ(output.find('\n'), output.size() - 1) << output;
    EXPECT_EQ(output.find("sekret"), std::string::npos) << output;
}

} // namespace
