// The panel's two fonts, made once when the panel is created.
#pragma once

#include <windows.h>

extern HFONT panel_font;
extern HFONT panel_bold_font;
