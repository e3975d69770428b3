// Which panel control shows each text that a stored record gives back.
#include "panel/record_controls.h"

#include "resources/control_ids.h"

int control_showing(RecordText field) {
    switch (field) {
    case RecordText::rounds:
        return IDC_ROUNDS;
    case RecordText::lines_per_round:
        return IDC_LINES_PER_ROUND;
    case RecordText::nickname:
        return IDC_NICKNAME;
    case RecordText::country:
        return IDC_COUNTRY;
    case RecordText::city:
        return IDC_CITY;
    case RecordText::hidden_text:
        return IDC_HIDDEN_FIELD;
    case RecordText::birth_year:
        return IDC_BIRTH_YEAR;
    case RecordText::email:
        return IDC_EMAIL;
    }
    return 0;
}
