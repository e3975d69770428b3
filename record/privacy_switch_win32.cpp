// The privacy switch: whether the private fields go into the stored record.
#include "record/privacy_switch_win32.h"

#include "record/settings_record.h"
#include "record/stored_record_win32.h"

int store_private_fields = 0;

void toggle_privacy_switch() {
    if (store_private_fields == 0) {
        store_private_fields = 1;
        return;
    }
    store_private_fields = 0;
    withhold_private_fields();
}

void withhold_private_fields() {
    std::string stored;
    if (read_stored_record(stored) && withhold_stored_fields(stored)) {
        write_stored_record(stored);
    }
}
