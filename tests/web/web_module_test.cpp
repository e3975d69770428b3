// The browser's module as scripts/build web makes it: what it imports and exports, how large
// it is, and that it holds nothing that could play a test.
#include "tests/support/command_run.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A WebAssembly signed LEB128 number, as i32.const and i64.const hold their values.
std::vector<uint8_t> signed_leb128(int64_t value) {
    std::vector<uint8_t> bytes;
    for (;;) {
        const auto low = uint8_t(value & 0x7F);
        value >>= 7;
        if ((value == 0 && !(low & 0x40)) || (value == -1 && (low & 0x40))) {
            bytes.push_back(low);
            return bytes;
        }
        bytes.push_back(low | 0x80);
    }
}

bool contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

class WebModule : public testing::Test {
  protected:
    void SetUp() override {
        bytes = file_bytes(TRIVELLE_WEB_MODULE);
        ASSERT_FALSE(bytes.empty()) << TRIVELLE_WEB_MODULE << " is missing: scripts/build web";
        ASSERT_TRUE(SectionReader(bytes).read(module));
    }
    std::vector<uint8_t> bytes;
    ModuleInterface module;
};

TEST_F(WebModule, ImportsOnlyThePagesFunctionsAndExportsItsEntryPoints) {
    EXPECT_EQ(module.imports,
              (std::set<std::string>{"env.control_text_changed", "env.control_enabled_changed",
                                     "env.control_checked_changed", "env.list_selection_changed"}));
    EXPECT_EQ(module.other_imports, std::set<std::string>{});
    EXPECT_EQ(module.exports, (std::set<std::string>{"memory",
                                                     "_initialize",
                                                     "start",
                                                     "resize",
                                                     "pixels",
                                                     "pixels_bytes",
                                                     "width",
                                                     "height",
                                                     "cell_x",
                                                     "cell_y",
                                                     "cell_pitch",
                                                     "click",
                                                     "take_back",
                                                     "new_board",
                                                     "put_ball",
                                                     "take_ball",
                                                     "set_preview",
                                                     "text_buffer",
                                                     "text_buffer_bytes",
                                                     "set_text",
                                                     "set_enabled",
                                                     "answered",
                                                     "choose_ball_count",
                                                     "choose_colours",
                                                     "read_settings",
                                                     "setting",
                                                     "result_sent"}));

    const CommandRun gzipped =
        run_command(std::string("gzip -9c '") + TRIVELLE_WEB_MODULE + "' | wc -c");
    ASSERT_EQ(gzipped.exit_code, 0);
    const long gzip_bytes = std::stol(gzipped.output);
    EXPECT_GT(gzip_bytes, 0);
    std::cout << "web module: " << bytes.size() << " bytes, " << gzip_bytes << " gzipped\n";
    testing::Test::RecordProperty("module_bytes", int(bytes.size()));
    testing::Test::RecordProperty("module_gzip_bytes", int(gzip_bytes));
}

// The page is a view: what a test brings next is the referee's alone. Neither the module's
// interface nor its code can start a game of its own.
TEST_F(WebModule, HoldsNoGeneratorAndTakesNoSeed) {
    for (const std::string& name : module.exports) {
        for (const char* word : {"seed", "random", "new_test", "clock", "time"}) {
            EXPECT_EQ(name.find(word), std::string::npos) << name;
        }
    }
    // The generator's multipliers: a seed's (32 bits) and a step's (64 bits), as the code
    // that uses them would hold them.
    EXPECT_FALSE(contains(bytes, signed_leb128(int32_t(22695477u))));
    EXPECT_FALSE(contains(bytes, signed_leb128(int64_t(0x0000015A00004E35ull))));
}

} // namespace
