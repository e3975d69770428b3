// The browser's module as scripts/build web makes it: what it imports and exports, and how
// large it is.
#include "tests/support/command_run.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

struct ModuleInterface {
    std::set<std::string> imports; // "module.name"; functions only
    std::set<std::string> other_imports;
    std::set<std::string> exports;
    bool well_formed = false;
};

// Reads the import and export sections of a WebAssembly binary.
class SectionReader {
  public:
    explicit SectionReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    bool read(ModuleInterface& found) {
        const uint8_t header[] = {0x00, 'a', 's', 'm', 0x01, 0x00, 0x00, 0x00};
        if (bytes_.size() < 8 || !std::equal(header, header + 8, bytes_.begin())) {
            return false;
        }
        at_ = 8;
        while (at_ < bytes_.size()) {
            const uint8_t id = bytes_[at_++];
            const uint64_t size = number();
            const size_t end = at_ + size;
            if (!ok_ || end > bytes_.size()) {
                return false;
            }
            if (id == 2) {
                read_imports(found);
            } else if (id == 7) {
                read_exports(found);
            }
            if (!ok_) {
                return false;
            }
            at_ = end;
        }
        return true;
    }

  private:
    uint64_t number() { // unsigned LEB128
        uint64_t value = 0;
        for (int shift = 0; shift < 64 && at_ < bytes_.size(); shift += 7) {
            const uint8_t b = bytes_[at_++];
            value |= uint64_t(b & 0x7F) << shift;
            if (b < 0x80) {
                return value;
            }
        }
        ok_ = false;
        return 0;
    }
    std::string name() {
        const uint64_t length = number();
        if (!ok_ || length > bytes_.size() - at_) {
            ok_ = false;
            return {};
        }
        std::string text(bytes_.begin() + long(at_), bytes_.begin() + long(at_ + length));
        at_ += length;
        return text;
    }
    void read_imports(ModuleInterface& found) {
        for (uint64_t n = number(); ok_ && n > 0; --n) {
            const std::string module = name(); // read in order: the module, then the field
            const std::string full = module + "." + name();
            if (at_ >= bytes_.size()) {
                ok_ = false;
                return;
            }
            const uint8_t kind = bytes_[at_++];
            if (kind != 0) {
                found.other_imports.insert(full);
                return; // only functions are expected; the rest is not read further
            }
            number(); // the function's type
            found.imports.insert(full);
        }
    }
    void read_exports(ModuleInterface& found) {
        for (uint64_t n = number(); ok_ && n > 0; --n) {
            found.exports.insert(name());
            at_ += 1; // kind
            number(); // index
        }
    }

    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

std::vector<uint8_t> file_bytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>());
}

TEST(WebModule, ImportsOnlyThePagesFunctionsAndExportsItsEntryPoints) {
    const std::vector<uint8_t> bytes = file_bytes(TRIVELLE_WEB_MODULE);
    ASSERT_FALSE(bytes.empty()) << TRIVELLE_WEB_MODULE << " is missing: scripts/build web";
    ModuleInterface module;
    ASSERT_TRUE(SectionReader(bytes).read(module));

    const std::set<std::string> page = {
        "env.control_text_changed",   "env.control_enabled_changed", "env.control_checked_changed",
        "env.list_selection_changed", "env.board_cursor_changed",    "env.consistency_message"};
    // libc++ writes its last words to standard error when the module aborts: three calls
    // the page answers in a few lines.
    const std::set<std::string> wasi_allowed = {"wasi_snapshot_preview1.fd_write",
                                                "wasi_snapshot_preview1.fd_seek",
                                                "wasi_snapshot_preview1.fd_close"};
    std::set<std::string> from_page;
    for (const std::string& import : module.imports) {
        if (import.rfind("env.", 0) == 0) {
            from_page.insert(import);
        } else {
            EXPECT_TRUE(wasi_allowed.count(import)) << "unexpected import " << import;
        }
    }
    EXPECT_EQ(from_page, page);
    EXPECT_EQ(module.other_imports, std::set<std::string>{});
    EXPECT_EQ(module.exports, (std::set<std::string>{"memory", "_initialize", "start", "resize",
                                                     "new_test", "click", "result_sent", "pixels",
                                                     "pixels_bytes", "width", "height"}));

    const CommandRun gzipped =
        run_command(std::string("gzip -9c '") + TRIVELLE_WEB_MODULE + "' | wc -c");
    ASSERT_EQ(gzipped.exit_code, 0);
    const long gzip_bytes = std::stol(gzipped.output);
    EXPECT_GT(gzip_bytes, 0);
    std::cout << "web module: " << bytes.size() << " bytes, " << gzip_bytes << " gzipped\n";
    testing::Test::RecordProperty("module_bytes", int(bytes.size()));
    testing::Test::RecordProperty("module_gzip_bytes", int(gzip_bytes));
}

} // namespace
