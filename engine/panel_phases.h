// Which panel controls are enabled in each phase of a test, as one table.
#pragma once

enum class PanelPhase {
    start,        // the program has started: the settings can be chosen, a test started
    test_running, // New has started a test: only Skip and the board answer
    test_over,    // the last round has ended: the player's fields and Internet
    result_sent,  // Internet has sent the result: the settings again, and New
};

// Enables and disables the panel's controls as the table has them for the phase; radio "2"
// is enabled only where the test's ball count allows two colours. True if the table's last
// control, radio "7", was disabled before (what the Internet command answers).
bool enter_panel_phase(PanelPhase phase);
