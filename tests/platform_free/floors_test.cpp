// The folders' includes point down the floors: shell, panel, record, engine, render,
// resources, top floor first. Only the ambient values' header may be read from every floor.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> floors = {"shell",  "panel",  "record",
                                         "engine", "render", "resources"};
constexpr const char* ambient_header = "shell/ambient_win32.h";

int floor_of(const std::string& folder) {
    for (size_t i = 0; i < floors.size(); ++i) {
        if (floors[i] == folder) {
            return int(i);
        }
    }
    return -1;
}

// Every quoted include of a project folder in the files of one folder, as "file: included".
std::vector<std::string> upward_includes(const std::string& folder) {
    std::vector<std::string> found;
    const int own = floor_of(folder);
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(TRIVELLE_SOURCE_DIR) / folder)) {
        std::ifstream file(entry.path());
        std::string line;
        while (std::getline(file, line)) {
            const std::string directive = "#include \"";
            if (line.rfind(directive, 0) != 0) {
                continue;
            }
            const std::string included =
                line.substr(directive.size(), line.find('"', directive.size()) - directive.size());
            const std::string included_folder = included.substr(0, included.find('/'));
            const int other = floor_of(included_folder);
            if (included != ambient_header && other >= 0 && other < own) {
                found.push_back(entry.path().filename().string() + ": " + included);
            }
        }
    }
    return found;
}

TEST(Floors, EveryFolderIncludesOnlyFoldersBelowIt) {
    for (const std::string& folder : floors) {
        EXPECT_EQ(upward_includes(folder), std::vector<std::string>{}) << folder;
    }
}

} // namespace
