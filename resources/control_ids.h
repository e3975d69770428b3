// Ids of the control panel's controls: the dialog template (panel.rc), the message tables and
// the code that reaches a control all read them here. Plain #defines, as the resource
// compiler takes them.
#pragma once

#define IDC_LINES_DISPLAY 102
#define IDC_NEW 103
#define IDC_BALL_COUNT_LIST 104
#define IDC_SKIP 105
#define IDC_ROUNDS_FRAME 106
#define IDC_ACCURACY_DISPLAY 112
#define IDC_HIDDEN_FIELD 113
#define IDC_NICKNAME_LABEL 114
#define IDC_PLACE_LABEL 115
#define IDC_COUNTRY 116
#define IDC_EMAIL_LABEL 117
#define IDC_EMAIL 118
#define IDC_CITY 120
#define IDC_BIRTH_YEAR 121
#define IDC_BIRTH_YEAR_LABEL 122
#define IDC_COLOURS_FRAME 123
#define IDC_COLOURS_2 124
#define IDC_COLOURS_3 125
#define IDC_COLOURS_4 126
#define IDC_COLOURS_5 127
#define IDC_COLOURS_6 128
#define IDC_COLOURS_7 129
#define IDC_INTERNET 2110
#define IDC_LINK_1 2111
#define IDC_LINK_2 2112
#define IDC_LINK_3 2113
#define IDC_LINK_4 2114
#define IDC_INFO 2115
#define IDC_PRIVACY_SWITCH 3102
#define IDC_NICKNAME 4121
#define IDC_ROUNDS 4122
#define IDC_LINES_PER_ROUND 4123
