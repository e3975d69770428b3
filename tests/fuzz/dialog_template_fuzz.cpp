// Any bytes as a dialog template: walked, and when whole, placed for a sound layout.
#include "panel/dialog_template.h"
#include "panel/panel_placement.h"
#include "render/screen_layout.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fill_control_layout();
    const auto parsed = read_dialog_template(data, size);
    if (!parsed) {
        return 0;
    }
    for (const DialogTemplateItem& item : parsed->items) {
        if (item.offset + template_item_rect_offset + 8 > size) {
            std::abort(); // an item's rectangle must lie inside the bytes
        }
    }
    // A copy of exactly the template's size, so that the sanitizer sees any write past it.
    std::vector<uint8_t> bytes(data, data + size);
    float fraction = 1.0f;
    const Geometry g = layout_for_screen(1024, 768, fraction);
    const int placed = place_panel_template(bytes.data(), bytes.size(), {7, 16}, g);
    if (placed < 0 || placed > panel_layout_rows) {
        std::abort();
    }
    return 0;
}
