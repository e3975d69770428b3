// Which panel controls are enabled in each phase of a test, as one table.
#pragma once

enum class PanelPhase {
    start,        // the program has started: the settings and New
    test_running, // New has started a test: Skip; settings, fields, New and Internet locked
    test_over,    // the last round has ended: the player's fields and Internet; Skip locked
    result_sent,  // Internet has sent the result: the settings and New again
};

// Enables and disables the panel's controls as the table has them for the phase; radio "2"
// is enabled only where the test's ball count allows two colours. True if the table's last
// control, radio "7", was disabled before (what the Internet command answers).
bool enter_panel_phase(PanelPhase phase);
// The same for a panel whose ball count is given rather than the engine's.
bool enter_panel_phase(PanelPhase phase, int initial_ball_count);
