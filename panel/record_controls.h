// Which panel control shows each text that a stored record gives back.
#pragma once

#include "record/settings_record.h"

// The id of the control that shows the field's text (resources/control_ids.h).
int control_showing(RecordText field);
