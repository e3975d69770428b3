// Which panel controls are enabled in each phase of a test, as one table.
#include "engine/panel_phases.h"

#include "engine/game_state.h"
#include "engine/panel_access.h"
#include "resources/control_ids.h"

namespace {

// What a phase does to a control: leaves it as it is, enables it, disables it, or enables
// it where the test's ball count allows two colours and disables it elsewhere.
enum class Switch { keep, on, off, on_for_two };
constexpr Switch keep = Switch::keep;
constexpr Switch on = Switch::on;
constexpr Switch off = Switch::off;
constexpr Switch two = Switch::on_for_two;

struct PhaseRow {
    int control_id;
    Switch in_phase[4]; // in the order of PanelPhase
};

// The controls no phase touches (the info button, the privacy switch, the links) stay as the
// template makes them. The colour radios come last, radio "7" the last of all.
// clang-format off
constexpr PhaseRow phase_table[] = {
    //                      start    running  over     sent
    {IDC_NEW,              {on,      off,     keep,    on}},
    {IDC_SKIP,             {keep,    on,      off,     keep}},
    {IDC_INTERNET,         {keep,    off,     on,      keep}},
    {IDC_HIDDEN_FIELD,     {keep,    off,     on,      keep}},
    {IDC_COUNTRY,          {keep,    off,     on,      keep}},
    {IDC_EMAIL,            {keep,    off,     on,      keep}},
    {IDC_CITY,             {keep,    off,     on,      keep}},
    {IDC_BIRTH_YEAR,       {keep,    off,     on,      keep}},
    {IDC_NICKNAME,         {keep,    off,     on,      keep}},
    {IDC_BALL_COUNT_LIST,  {on,      off,     off,     on}},
    {IDC_ROUNDS,           {on,      off,     off,     on}},
    {IDC_LINES_PER_ROUND,  {on,      off,     off,     on}},
    {IDC_COLOURS_2,        {two,     off,     off,     two}},
    {IDC_COLOURS_3,        {on,      off,     off,     on}},
    {IDC_COLOURS_4,        {on,      off,     off,     on}},
    {IDC_COLOURS_5,        {on,      off,     off,     on}},
    {IDC_COLOURS_6,        {on,      off,     off,     on}},
    {IDC_COLOURS_7,        {on,      off,     off,     on}},
};
// clang-format on

} // namespace

bool enter_panel_phase(PanelPhase phase) {
    return enter_panel_phase(phase, game.settings.initial_ball_count);
}

bool enter_panel_phase(PanelPhase phase, int initial_ball_count) {
    bool last_was_disabled = false;
    for (const PhaseRow& row : phase_table) {
        Switch s = row.in_phase[int(phase)];
        if (s == two) {
            s = two_colours_allowed(initial_ball_count) ? on : off;
        }
        if (s != keep) {
            last_was_disabled = enable_control(row.control_id, s == on);
        }
    }
    return last_was_disabled;
}
