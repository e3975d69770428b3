// The folders' includes point down the floors: shell, the results service's wings and the
// browser's front end side by side on top, then panel, record, engine, render, resources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Floor {
    std::string folder;
    int level;         // 1 is the ground floor
    std::string tower; // the shared floors have none; towers stand side by side on them
};
const std::vector<Floor> floors = {
    {"shell", 6, "program"},
    {"web", 6, "web"},
    {"server/admin", 11, "service"},
    {"server", 10, "service"},
    {"server/site", 9, "service"},
    {"server/pages", 8, "service"},
    {"server/store/sqlite", 7, "service"},
    {"server/store/postgres", 7, "service"},
    {"server/play", 7, "service"},
    {"server/store", 6, "service"},
    {"server/referee", 6, "service"},
    {"server/http", 5, "service"},
    {"server/row", 5, "service"},
    {"panel", 5, ""},
    {"record", 4, ""},
    {"engine", 3, ""},
    {"render", 2, ""},
    {"resources", 1, ""},
};

const Floor* floor_of(const std::string& folder) {
    for (const Floor& floor : floors) {
        if (floor.folder == folder) {
            return &floor;
        }
    }
    return nullptr;
}

// Whether a file of one folder may include a file of another: one on a lower floor, shared or
// of its own tower.
bool stands_below(const Floor& own, const Floor& other) {
    return other.level < own.level && (other.tower.empty() || other.tower == own.tower);
}

// Every quoted include of a folder that does not stand below, in the files of one folder, as
// "file: included".
std::vector<std::string> upward_includes(const Floor& own) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(TRIVELLE_SOURCE_DIR) / own.folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::ifstream file(entry.path());
        std::string line;
        while (std::getline(file, line)) {
            const std::string directive = "#include \"";
            if (line.rfind(directive, 0) != 0) {
                continue;
            }
            const std::string included =
                line.substr(directive.size(), line.find('"', directive.size()) - directive.size());
            // Without a folder: a file beside it, as resource scripts include theirs.
            const size_t slash = included.rfind('/');
            const std::string included_folder =
                slash == std::string::npos ? own.folder : included.substr(0, slash);
            const Floor* other = floor_of(included_folder);
            if (included_folder != own.folder && (!other || !stands_below(own, *other))) {
                found.push_back(entry.path().filename().string() + ": " + included);
            }
        }
    }
    return found;
}

TEST(Floors, EveryFolderIncludesOnlyFoldersBelowIt) {
    for (const Floor& floor : floors) {
        EXPECT_EQ(upward_includes(floor), std::vector<std::string>{}) << floor.folder;
    }
}

// Every folder of sources has its floor, so that a new wing cannot escape the check.
TEST(Floors, EveryFolderOfSourcesHasAFloor) {
    for (const char* top :
         {"server", "shell", "panel", "record", "engine", "render", "resources"}) {
        const auto path = std::filesystem::path(TRIVELLE_SOURCE_DIR) / top;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
            if (entry.is_regular_file() &&
                (entry.path().extension() == ".cpp" || entry.path().extension() == ".h")) {
                const std::string folder =
                    std::filesystem::relative(entry.path().parent_path(), TRIVELLE_SOURCE_DIR)
                        .string();
                EXPECT_NE(floor_of(folder), nullptr) << entry.path().filename() << " in " << folder;
            }
        }
    }
}

} // namespace
