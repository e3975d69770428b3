// Reading the classic in-memory dialog template: the header and each item's fields.
#include "panel/dialog_template.h"

namespace {

// Walks the template bytes; every read checks the bounds and marks the reader failed.
struct Reader {
    const uint8_t* bytes;
    size_t size;
    size_t at = 0;
    bool failed = false;

    uint16_t word() {
        if (at + 2 > size) {
            failed = true;
            return 0;
        }
        const uint16_t v = uint16_t(bytes[at] | bytes[at + 1] << 8);
        at += 2;
        return v;
    }
    uint32_t dword() {
        const uint32_t low = word();
        return low | uint32_t(word()) << 16;
    }
    std::u16string string() {
        std::u16string s;
        for (uint16_t c = word(); c != 0 && !failed; c = word()) {
            s.push_back(char16_t(c));
        }
        return s;
    }
    // 0 for none, 0xFFFF and an ordinal, or a zero-terminated string.
    TemplateName name() {
        TemplateName n;
        const uint16_t first = word();
        if (first == 0xFFFF) {
            n.is_ordinal = true;
            n.ordinal = word();
        } else if (first != 0) {
            n.text.push_back(char16_t(first));
            n.text += string();
        }
        return n;
    }
    void align_dword() { at = (at + 3) & ~size_t(3); }
};

constexpr uint32_t ds_setfont = 0x40;

} // namespace

std::optional<DialogTemplate> read_dialog_template(const uint8_t* bytes, size_t size) {
    Reader r{bytes, size};
    DialogTemplate t;
    t.style = r.dword();
    t.ex_style = r.dword();
    // The extended format begins with the version 1 and the signature 0xFFFF instead.
    if (!r.failed && (t.style & 0xFFFF0000u) == 0xFFFF0000u && (t.style & 0xFFFF) == 1) {
        return std::nullopt;
    }
    t.item_count = r.word();
    t.x = int16_t(r.word());
    t.y = int16_t(r.word());
    t.cx = int16_t(r.word());
    t.cy = int16_t(r.word());
    t.menu = r.name();
    t.class_name = r.name();
    t.title = r.string();
    if (t.style & ds_setfont) {
        r.word(); // point size
        r.string();
    }
    for (int i = 0; i < t.item_count && !r.failed; ++i) {
        r.align_dword();
        DialogTemplateItem item;
        item.offset = r.at;
        item.style = r.dword();
        item.ex_style = r.dword();
        item.x = int16_t(r.word());
        item.y = int16_t(r.word());
        item.cx = int16_t(r.word());
        item.cy = int16_t(r.word());
        item.id = r.word();
        item.class_name = r.name();
        item.text = r.name();
        item.extra_bytes = r.word();
        r.at += item.extra_bytes;
        if (r.at > size) {
            r.failed = true;
        }
        t.items.push_back(item);
    }
    if (r.failed) {
        return std::nullopt;
    }
    return t;
}
