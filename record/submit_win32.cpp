// Storing the record and opening the result link.
#include "record/submit_win32.h"

#include "record/settings_record_win32.h"

int store_private_fields = 0;

LRESULT submit_result(HWND, WORD, WORD, HWND) {
    return 0;
}

void toggle_privacy_switch() {
    if (store_private_fields == 0) {
        store_private_fields = 1;
        return;
    }
    store_private_fields = 0;
    withhold_private_fields();
}

void withhold_private_fields() {}

void load_settings_record(HWND) {}
void store_settings_record(HWND) {}
