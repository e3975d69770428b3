// The folders' includes point down the floors: shell, the results service and the browser's
// front end side by side on top, then panel, record, engine, render, resources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Floor {
    std::string folder;
    int level; // 1 is the ground floor
};
// Folders on one level stand side by side: neither includes the other.
const std::vector<Floor> floors = {{"shell", 6},  {"server", 6}, {"web", 6},    {"panel", 5},
                                   {"record", 4}, {"engine", 3}, {"render", 2}, {"resources", 1}};

int level_of(const std::string& folder) {
    for (const Floor& floor : floors) {
        if (floor.folder == folder) {
            return floor.level;
        }
    }
    return 0;
}

// Every quoted include of a folder on the same floor or above, in the files of one folder, as
// "file: included".
std::vector<std::string> upward_includes(const std::string& folder) {
    std::vector<std::string> found;
    const int own = level_of(folder);
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
            const int other = level_of(included_folder);
            if (included_folder != folder && other >= own) {
                found.push_back(entry.path().filename().string() + ": " + included);
            }
        }
    }
    return found;
}

TEST(Floors, EveryFolderIncludesOnlyFoldersBelowIt) {
    for (const Floor& floor : floors) {
        EXPECT_EQ(upward_includes(floor.folder), std::vector<std::string>{}) << floor.folder;
    }
}

} // namespace
