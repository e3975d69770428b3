// Resource ids shared by the resource script and the code.
#pragma once

#define IDS_CLASS_NAME 1
#define IDS_WINDOW_TITLE 2
#define IDI_TRIVELLE 101
#define IDC_LINK 789
#define IDD_PANEL 1
