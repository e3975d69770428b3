// The panel's fonts, sized from the board height and given to the controls at creation.
#include "panel/panel_fonts_win32.h"

#include "panel/panel_win32.h"
#include "render/geometry.h"
#include "resources/control_ids.h"

#include <initializer_list>

HFONT panel_font;
HFONT panel_bold_font;

namespace {

HFONT make_font(int height, int weight) {
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                       "Courier New");
}

void set_font(HWND panel, int id, HFONT font) {
    SendDlgItemMessageA(panel, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

} // namespace

LRESULT on_panel_init(HWND panel, UINT, WPARAM, LPARAM) {
    HDC dc = GetDC(panel);
    const int dots_per_inch = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(panel, dc);

    // Point sizes that grow with the board; the bold one is a pixel taller still.
    const int size = geometry.board_height / 74;
    const int bold_size = geometry.board_height / 60;
    panel_font = make_font(-MulDiv(dots_per_inch, size, 72), FW_NORMAL);
    panel_bold_font = make_font(-(MulDiv(dots_per_inch, bold_size, 72) + 1), FW_BOLD);

    for (int id : {IDC_INFO, IDC_ACCURACY_DISPLAY, IDC_PRIVACY_SWITCH}) {
        set_font(panel, id, panel_bold_font);
    }
    for (int id : {IDC_NEW,
                   IDC_SKIP,
                   IDC_INTERNET,
                   IDC_HIDDEN_FIELD,
                   IDC_COUNTRY,
                   IDC_EMAIL,
                   IDC_CITY,
                   IDC_BIRTH_YEAR,
                   IDC_NICKNAME,
                   IDC_ROUNDS,
                   IDC_LINES_PER_ROUND,
                   IDC_ROUNDS_FRAME,
                   IDC_COLOURS_FRAME,
                   IDC_COLOURS_2,
                   IDC_COLOURS_3,
                   IDC_COLOURS_4,
                   IDC_COLOURS_5,
                   IDC_COLOURS_6,
                   IDC_COLOURS_7,
                   IDC_LINES_DISPLAY,
                   IDC_NICKNAME_LABEL,
                   IDC_PLACE_LABEL,
                   IDC_EMAIL_LABEL,
                   IDC_BIRTH_YEAR_LABEL,
                   IDC_BALL_COUNT_LIST}) {
        set_font(panel, id, panel_font);
    }
    // Returning 0 keeps the dialog manager from moving the focus into the panel.
    return 0;
}
