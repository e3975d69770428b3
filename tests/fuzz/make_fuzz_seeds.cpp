// Writes the fuzz targets' seed corpus, made by the project's own code.
// Usage: make_fuzz_seeds CORPUS_FOLDER (one subfolder per target must exist).
#include "record/result_link.h"
#include "record/settings_record.h"
#include "tests/support/compiled_resources.h"
#include "tests/support/record_samples.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace {

std::string folder;

bool write(const std::string& target, const std::string& name, const std::string& bytes) {
    std::ofstream out(folder + "/" + target + "/" + name, std::ios::binary);
    out << bytes;
    return bool(out);
}

std::string int_bytes(int32_t v) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &v, 4);
    return bytes;
}

std::string sized_text(const std::string& text) { return char(text.size()) + text; }

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    folder = argv[1];
    const PlayerTexts texts = {"nick", "ru", "city", "hidden", "1980", "e@x"};
    const std::string sound = build_settings_record(settings_of(42, 7, 5, 12), 99, texts);
    const std::string longest =
        build_settings_record(longest_settings(), longest_move_count, longest_texts());
    const std::string seed = int_bytes(12345);
    bool ok = write("stored_record", "sound", seed + sound) &&
              write("stored_record", "withheld", seed + without_private_fields(sound)) &&
              write("stored_record", "longest", seed + longest) &&
              write("stored_record", "short-test",
                    seed + build_settings_record(settings_of(29, 2, 1, 1), 0, {})) &&
              write("stored_record", "none", seed);

    std::string fields =
        int_bytes(42) + int_bytes(7) + int_bytes(5) + int_bytes(12) + int_bytes(99);
    for (const std::string* text : {&texts.nickname, &texts.country, &texts.city,
                                    &texts.hidden_text, &texts.birth_year, &texts.email}) {
        fields += sized_text(*text);
    }
    ok = ok && write("record_link", "sound", fields);

    ok = ok && write("link_decoder", "sound", result_link(sound)) &&
         write("link_decoder", "longest", result_link_query(longest)) &&
         write("link_decoder", "not-a-link", "http://example.org/?zz");

    for (const char* name : {"sound", "longest"}) {
        const std::string& record = std::string(name) == "sound" ? sound : longest;
        ok = ok && write("field_display", name, record);
    }

    const struct {
        const char* name;
        uint16_t width, height;
        const char* argument;
    } screens[] = {{"1024x768", 1023, 767, ""},
                   {"1280x1024-0.8", 1279, 1023, "0.8"},
                   {"640x480-tiny", 639, 479, "0.01"}};
    for (const auto& s : screens) {
        std::string bytes;
        bytes += char(s.width & 0xFF);
        bytes += char(s.width >> 8);
        bytes += char(s.height & 0xFF);
        bytes += char(s.height >> 8);
        ok = ok && write("screen_layout", s.name, bytes + s.argument);
    }

    const CompiledResource panel = compiled_resource(resource_type_dialog, 1);
    ok = ok && panel.found &&
         write("dialog_template", "panel",
               std::string(reinterpret_cast<const char*>(panel.bytes.data()), panel.bytes.size()));
    return ok ? 0 : 1;
}
