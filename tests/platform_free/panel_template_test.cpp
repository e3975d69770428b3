// The compiled panel template and banners, and their placement for given screens.
#include "panel/dialog_template.h"
#include "panel/panel_layout.h"
#include "panel/panel_placement.h"
#include "tests/support/compiled_resources.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint32_t child = 0x40000000, visible = 0x10000000, disabled = 0x08000000;
constexpr uint32_t border = 0x00800000, sysmenu = 0x00080000, vscroll = 0x00200000;
constexpr uint32_t group = 0x00020000, tabstop = 0x00010000, ds_control = 0x0400;
constexpr uint32_t bs_center = 0x0300, bs_groupbox = 0x7, bs_autoradio = 0x9, bs_autocheck = 0x3;
constexpr uint32_t es_autohscroll = 0x80, ss_left = 0x0, ss_center = 0x1, ss_bitmap = 0xE;
constexpr uint32_t cbs_dropdownlist = 0x3;
constexpr uint16_t button = 0x80, edit = 0x81, statik = 0x82, combobox = 0x85;
constexpr uint32_t field = child | visible | disabled | border | tabstop | es_autohscroll;
constexpr uint32_t radio = child | visible | disabled | bs_autoradio;
constexpr uint32_t label = child | visible | ss_center;
constexpr uint32_t banner = child | visible | ss_bitmap;

struct ExpectedItem {
    uint16_t id;
    uint16_t class_ordinal;
    uint32_t style;
    std::u16string text; // empty with a nonzero bitmap means the text is that ordinal
    uint16_t bitmap;
    int16_t cx;
    int16_t cy;
};

const ExpectedItem expected_items[32] = {
    {103, button, child | visible | disabled | bs_center, u"New", 0, 22, 10},
    {105, button, child | disabled | tabstop | bs_center, u"Skip", 0, 28, 10},
    {2110, button, child | visible | disabled | tabstop | bs_center, u"Internet", 0, 54, 10},
    {113, edit, child | disabled | border | tabstop | es_autohscroll, u"", 0, 54, 10},
    {116, edit, field, u"ru", 0, 16, 10},
    {118, edit, field, u"", 0, 53, 10},
    {120, edit, field, u"", 0, 28, 10},
    {121, edit, field, u"", 0, 20, 10},
    {106, button, child | visible | group | bs_groupbox, u"Точность=R*A", 0, 53, 28},
    {4122, edit, field, u"5", 0, 20, 10},
    {4123, edit, field, u"12", 0, 20, 10},
    {123, button, child | visible | group | bs_groupbox, u"Цветов", 0, 53, 28},
    {124, button, radio, u"2", 0, 12, 7},
    {125, button, radio, u"3", 0, 12, 7},
    {126, button, radio, u"4", 0, 12, 7},
    {127, button, radio, u"5", 0, 12, 7},
    {128, button, radio, u"6", 0, 12, 7},
    {129, button, radio, u"7", 0, 12, 7},
    {102, statik, label, u"", 0, 16, 7},
    {112, statik, label, u"", 0, 44, 8},
    {114, statik, label, u"Ник", 0, 44, 9},
    {115, statik, label, u"страна/город", 0, 66, 9},
    {117, statik, label, u" e-mail*", 0, 27, 7},
    {122, statik, child | visible | ss_left, u"год рожд*", 0, 34, 8},
    {2111, statik, banner, u"", 2111, 44, 16},
    {2112, statik, banner, u"", 2112, 44, 16},
    {2113, statik, banner, u"", 2113, 44, 16},
    {2114, statik, banner, u"", 2114, 44, 16},
    {3102, button, child | visible | bs_autocheck, u"!", 0, 4, 4},
    {4121, edit, field, u"", 0, 20, 10},
    {104, combobox, child | visible | vscroll | tabstop | cbs_dropdownlist, u"ComboBox1", 0, 20,
     136},
    {2115, button, child | visible | bs_center, u"i", 0, 50, 50},
};

CompiledResource panel_resource() { return compiled_resource(resource_type_dialog, 1); }

DialogTemplate read_template(const std::vector<uint8_t>& bytes) {
    auto t = read_dialog_template(bytes.data(), bytes.size());
    return t ? *t : DialogTemplate{};
}

TEST(CompiledPanelTemplate, HeaderIsAClassicRussianChildDialogWithoutFont) {
    const CompiledResource r = panel_resource();
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.language, 0x0419);
    // The classic format starts with the style, never with the extended format's signature.
    const auto t = read_dialog_template(r.bytes.data(), r.bytes.size());
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->style, child | visible | border | sysmenu | ds_control);
    EXPECT_EQ(t->ex_style, 0u);
    EXPECT_EQ(t->item_count, 32);
    EXPECT_EQ(t->x, -1);
    EXPECT_EQ(t->y, 0);
    EXPECT_EQ(t->cx, 229);
    EXPECT_EQ(t->cy, 237);
    EXPECT_FALSE(t->menu.is_ordinal);
    EXPECT_TRUE(t->menu.text.empty());
    EXPECT_FALSE(t->class_name.is_ordinal);
    EXPECT_TRUE(t->class_name.text.empty());
    EXPECT_TRUE(t->title.empty());
}

TEST(CompiledPanelTemplate, ItemsAreTheDesignedControlsInOrderAtTheMarker) {
    const DialogTemplate t = read_template(panel_resource().bytes);
    ASSERT_EQ(t.items.size(), 32u);
    for (int row = 0; row < 32; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        const DialogTemplateItem& item = t.items[row];
        const ExpectedItem& e = expected_items[row];
        EXPECT_EQ(item.id, e.id);
        EXPECT_EQ(panel_design[row].control_id, e.id) << "the design row of the template row";
        EXPECT_TRUE(item.class_name.is_ordinal);
        EXPECT_EQ(item.class_name.ordinal, e.class_ordinal);
        EXPECT_EQ(item.style, e.style);
        EXPECT_EQ(item.ex_style, 0u);
        EXPECT_EQ(item.text.is_ordinal, e.bitmap != 0);
        if (e.bitmap) {
            EXPECT_EQ(item.text.ordinal, e.bitmap);
        } else {
            EXPECT_TRUE(item.text.text == e.text);
        }
        EXPECT_EQ(item.x, 100);
        EXPECT_EQ(item.y, 100);
        EXPECT_EQ(item.cx, e.cx);
        EXPECT_EQ(item.cy, e.cy);
        EXPECT_EQ(item.extra_bytes, 0);
    }
}

// Every place where the bytes read 100, 100 in a byte-by-byte search.
std::vector<size_t> marker_offsets(const std::vector<uint8_t>& b) {
    std::vector<size_t> found;
    for (size_t at = 0; at + 4 <= b.size(); ++at) {
        if (b[at] == 0x64 && b[at + 1] == 0 && b[at + 2] == 0x64 && b[at + 3] == 0) {
            found.push_back(at);
        }
    }
    return found;
}

TEST(CompiledPanelTemplate, MarkerOccursExactlyOncePerItemAndNowhereElse) {
    const std::vector<uint8_t> bytes = panel_resource().bytes;
    const DialogTemplate t = read_template(bytes);
    const std::vector<size_t> found = marker_offsets(bytes);
    ASSERT_EQ(found.size(), 32u);
    ASSERT_EQ(t.items.size(), 32u);
    for (int row = 0; row < 32; ++row) {
        EXPECT_EQ(found[row], t.items[row].offset + template_item_rect_offset) << "row " << row;
    }
}

TEST(CompiledBanners, AreFourSixteenColourBitmapsOf88By31) {
    for (uint16_t id = 2111; id <= 2114; ++id) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        const CompiledResource r = compiled_resource(resource_type_bitmap, id);
        ASSERT_TRUE(r.found);
        ASSERT_GE(r.bytes.size(), 40u + 16 * 4 + 44 * 31);
        const auto dword = [&](size_t at) {
            return uint32_t(r.bytes[at] | r.bytes[at + 1] << 8 | r.bytes[at + 2] << 16 |
                            r.bytes[at + 3] << 24);
        };
        EXPECT_EQ(dword(0), 40u);                     // BITMAPINFOHEADER
        EXPECT_EQ(dword(4), 88u);                     // width
        EXPECT_EQ(dword(8), 31u);                     // height, bottom-up
        EXPECT_EQ(r.bytes[14] | r.bytes[15] << 8, 4); // bits per pixel
        EXPECT_EQ(dword(16), 0u);                     // uncompressed
    }
}

struct Screen {
    const char* name;
    Geometry geometry;
    DialogBaseUnits base;
};

struct Placement {
    int16_t x, y, cx, cy;
};

struct PlacementCase {
    Screen screen;
    Placement header;
    Placement new_button; // row 0
    Placement combo_box;  // row 30
    int16_t link_x, link_cx;
    int16_t link_y[4], link_cy;
    HotSpot first_hot_spot;
    int32_t hot_spot_tops[4];
};

Geometry screen_geometry(int32_t width, int32_t height, int32_t cell, int32_t left, int32_t top) {
    Geometry g = {};
    g.board_width = width;
    g.board_height = height;
    g.cell_size = cell;
    g.grid_left = left;
    g.grid_top = top;
    return g;
}

Placement placement_at(const std::vector<uint8_t>& b, size_t offset) {
    return {template_field(b.data(), offset), template_field(b.data(), offset + 2),
            template_field(b.data(), offset + 4), template_field(b.data(), offset + 6)};
}

void expect_placement(const Placement& actual, const Placement& expected, const char* what) {
    EXPECT_EQ(actual.x, expected.x) << what;
    EXPECT_EQ(actual.y, expected.y) << what;
    EXPECT_EQ(actual.cx, expected.cx) << what;
    EXPECT_EQ(actual.cy, expected.cy) << what;
}

// 1024 x 768 and 1280 x 1024 full screens with the classic 8 x 16 system font, and a board
// narrow enough that the banners are wider than the panel; then 1024 x 768 with base units
// 10 x 20, where the panel's height, 574 pixels, comes to 229.6 dialog units (575 would give
// 230; with 16 down both give 287).
const PlacementCase placement_cases[] = {
    {{"1024x768", screen_geometry(1024, 768, 72, 186, 67), {8, 16}},
     {417, 34, 67, 287},
     {16, 4, 22, 11},
     {4, 36, 27, 225},
     11,
     44,
     {191, 210, 229, 248},
     19,
     {23, 382, 88, 30},
     {382, 421, 459, 497}},
    {{"1280x1024", screen_geometry(1280, 1024, 90, 232, 123), {8, 16}},
     {521, 62, 84, 359},
     {21, 5, 28, 14},
     {5, 45, 33, 281},
     20,
     44,
     {239, 263, 287, 311},
     23,
     {40, 478, 88, 30},
     {478, 526, 574, 622}},
    {{"narrow board", screen_geometry(640, 480, 45, 116, 42), {8, 16}},
     {261, 21, 42, 179},
     {10, 2, 14, 7},
     {2, 22, 16, 140},
     -1,
     44,
     {119, 131, 143, 155},
     11,
     {-2, 239, 88, 30},
     {239, 263, 287, 311}},
    {{"1024x768 at 10x20", screen_geometry(1024, 768, 72, 186, 67), {10, 20}},
     {334, 27, 54, 229},
     {13, 3, 18, 8},
     {3, 28, 21, 180},
     9,
     35,
     {152, 168, 183, 198},
     15,
     {23, 382, 88, 30},
     {382, 421, 459, 497}},
};

TEST(PanelPlacement, KnownScreensPlaceThePanelControlsAndHotSpots) {
    const std::vector<uint8_t> original = panel_resource().bytes;
    const DialogTemplate t = read_template(original);
    ASSERT_EQ(t.items.size(), 32u);
    fill_control_layout();
    for (const PlacementCase& e : placement_cases) {
        SCOPED_TRACE(e.screen.name);
        std::vector<uint8_t> copy = original;
        ASSERT_EQ(place_panel_template(copy.data(), copy.size(), e.screen.base, e.screen.geometry),
                  32);
        expect_placement(placement_at(copy, template_header_rect_offset), e.header, "header");
        const auto item = [&](int row) {
            return placement_at(copy, t.items[row].offset + template_item_rect_offset);
        };
        expect_placement(item(0), e.new_button, "row 0");
        expect_placement(item(3), {0, 0, 0, 0}, "row 3");
        expect_placement(item(30), e.combo_box, "row 30");
        for (int n = 0; n < 4; ++n) {
            expect_placement(item(24 + n), {e.link_x, e.link_y[n], e.link_cx, e.link_cy}, "link");
            EXPECT_EQ(link_hot_spots[n].left, e.first_hot_spot.left);
            EXPECT_EQ(link_hot_spots[n].top, e.hot_spot_tops[n]);
            EXPECT_EQ(link_hot_spots[n].width, 88);
            EXPECT_EQ(link_hot_spots[n].height, 30);
        }
        EXPECT_EQ(link_hot_spots[0].top, e.first_hot_spot.top);
    }
}

// The 1024 x 768 worked example (k = 2.2528, base 8 x 16), every row in template order.
const Placement worked_example_rows[32] = {
    {16, 4, 22, 11},   {42, 4, 21, 11},   {5, 180, 56, 11},  {0, 0, 0, 0},    {2, 147, 13, 11},
    {2, 167, 64, 11},  {20, 147, 46, 11}, {43, 127, 22, 11}, {2, 76, 64, 29}, {7, 87, 18, 11},
    {40, 87, 22, 11},  {2, 48, 64, 29},   {5, 56, 18, 7},    {25, 56, 18, 7}, {43, 56, 18, 7},
    {5, 66, 18, 7},    {25, 66, 18, 7},   {43, 66, 18, 7},   {2, 25, 60, 9},  {2, 16, 60, 10},
    {0, 105, 61, 9},   {0, 138, 58, 9},   {2, 158, 39, 9},   {1, 128, 41, 9}, {11, 191, 44, 19},
    {11, 210, 44, 19}, {11, 229, 44, 19}, {11, 248, 44, 19}, {43, 37, 18, 9}, {2, 114, 64, 11},
    {4, 36, 27, 225},  {40, 4, 11, 11},
};

TEST(PanelPlacement, TheWorkedExamplePlacesEveryRow) {
    const std::vector<uint8_t> original = panel_resource().bytes;
    const DialogTemplate t = read_template(original);
    ASSERT_EQ(t.items.size(), 32u);
    fill_control_layout();
    std::vector<uint8_t> copy = original;
    const Screen& s = placement_cases[0].screen;
    ASSERT_EQ(place_panel_template(copy.data(), copy.size(), s.base, s.geometry), 32);
    for (int row = 0; row < 32; ++row) {
        const std::string what = "row " + std::to_string(row);
        expect_placement(placement_at(copy, t.items[row].offset + template_item_rect_offset),
                         worked_example_rows[row], what.c_str());
    }
}

TEST(PanelPlacement, ChangesNothingButTheRectangles) {
    const std::vector<uint8_t> original = panel_resource().bytes;
    const std::vector<size_t> markers = marker_offsets(original);
    fill_control_layout();
    for (const PlacementCase& e : placement_cases) {
        SCOPED_TRACE(e.screen.name);
        std::vector<uint8_t> copy = original;
        place_panel_template(copy.data(), copy.size(), e.screen.base, e.screen.geometry);
        ASSERT_EQ(copy.size(), original.size());
        for (size_t at = 0; at < copy.size(); ++at) {
            if (copy[at] == original[at]) {
                continue;
            }
            bool in_rectangle =
                at >= template_header_rect_offset && at < template_header_rect_offset + 8;
            for (size_t marker : markers) {
                in_rectangle = in_rectangle || (at >= marker && at < marker + 8);
            }
            EXPECT_TRUE(in_rectangle) << "byte " << at << " changed";
        }
    }
}

TEST(PanelPlacement, RefusesBytesThatAreNoClassicTemplate) {
    std::vector<uint8_t> bytes = panel_resource().bytes;
    ASSERT_GT(bytes.size(), 100u);
    const Screen& s = placement_cases[0].screen;
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 100);
    EXPECT_EQ(place_panel_template(cut.data(), cut.size(), s.base, s.geometry), -1);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), bytes.begin()));
    // An extended template: version 1, signature 0xFFFF.
    std::vector<uint8_t> extended = bytes;
    extended[0] = 1, extended[1] = 0, extended[2] = 0xFF, extended[3] = 0xFF;
    EXPECT_EQ(place_panel_template(extended.data(), extended.size(), s.base, s.geometry), -1);
}

} // namespace
