// The privacy switch and what it does to the stored record.
#pragma once

// 1 while the private fields go into the stored record; 0 at every start.
extern int store_private_fields;

// A click on the privacy switch: on, or off and the stored record loses its private fields.
void toggle_privacy_switch();
void withhold_private_fields();
