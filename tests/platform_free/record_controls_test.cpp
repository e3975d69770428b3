// Which panel control each text of a stored record fills at start-up.
#include "panel/record_controls.h"
#include "record/settings_record.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Every text a record gives back, keyed by the id of the control it fills. The ids are the
// template's numbers written out, so a slip in either the mapping or an id shows.
std::map<int, std::string> controls_filled_by(const std::string& record) {
    TestSettings settings{};
    std::map<int, std::string> filled;
    for (const FieldText& text : read_settings_record(record, settings).texts) {
        EXPECT_TRUE(filled.emplace(control_showing(text.field), text.text).second)
            << "two texts fill control " << control_showing(text.field);
    }
    return filled;
}

TEST(RecordControls, EachTextFieldFillsItsOwnEdit) {
    const std::string record = "31" + sep + "4" + sep + "9 15" + sep + "321" + sep + "nick" + sep +
                               "ua" + sep + "city" + sep + "hidden" + sep + "1975" + sep + "e@x";
    const std::map<int, std::string> expected = {
        {4122, "9"},     // rounds
        {4123, "15"},    // lines per round
        {4121, "nick"},  // field 5, nickname
        {116, "ua"},     // field 6, country
        {120, "city"},   // field 7, city
        {113, "hidden"}, // field 8, the hidden edit
        {121, "1975"},   // field 9, birth year
        {118, "e@x"},    // field 10, e-mail
    };
    EXPECT_EQ(controls_filled_by(record), expected);
}

TEST(RecordControls, TheTextAfterTheLastSeparatorAlwaysFillsTheEmailEdit) {
    // Five fields: the fifth text stands after the last separator, so it is the e-mail and
    // the nickname edit is left as it is.
    const std::map<int, std::string> expected = {{4122, "2"}, {4123, "3"}, {118, "last"}};
    EXPECT_EQ(controls_filled_by("31" + sep + "4" + sep + "2 3" + sep + "9" + sep + "last"),
              expected);
}

} // namespace
