// What start-up makes of the stored record: the settings, and what the panel shows of them.
#include "panel/startup_settings.h"

#include "engine/colour_radios.h"
#include "panel/record_controls.h"
#include "record/settings_record.h"

StartupSettings startup_settings(std::string_view stored_record, const TestSettings& before) {
    StartupSettings start{};
    start.settings = before;
    // A colour count the record does not give is no count at all, whatever came before.
    start.settings.colour_count = 0;
    const RecordReading reading = read_settings_record(stored_record, start.settings);
    for (const FieldText& field : reading.texts) {
        start.texts.push_back({control_showing(field.field), field.text});
    }

    TestSettings& s = start.settings;
    if (s.initial_ball_count <= 0) {
        s.initial_ball_count = default_initial_balls;
    }
    const bool listed =
        s.initial_ball_count >= fewest_initial_balls && s.initial_ball_count <= most_initial_balls;
    start.list_index = listed ? s.initial_ball_count - fewest_initial_balls : -1;

    // A stated count checks its radio; none checks the default's. Any other count (8, say)
    // checks none and stays until New reads the radios.
    int checked_colours = reading.stated_colours;
    if (s.colour_count == 0) {
        s.colour_count = default_colours;
        checked_colours = default_colours;
    }
    if (checked_colours != 0) {
        checked_colours = allowed_colour_count(checked_colours, s.initial_ball_count);
        s.colour_count = checked_colours;
        start.checked_radio = colour_radio_id(checked_colours);
    }
    start.two_colours_enabled = two_colours_allowed(s.initial_ball_count);
    return start;
}
